#pragma once
// The drive link as every other layer sees it. The operations keep their slot
// order; callers test the boolean result and fetch the reason with GetErrMsg.
#include <cstdint>
#include <string>

namespace tarn {

// A caller's record for Read_Triple_RTU: a leading 32-bit member followed by
// the three words the drive returns.
struct TripleRecord {
    uint32_t nLead = 0;
    uint16_t wFirst = 0;
    uint16_t wSecond = 0;
    uint16_t wThird = 0;
};

struct IModbusMaster {
    virtual bool Write_Reg(uint8_t station, uint16_t address, uint16_t value) = 0;
    virtual bool Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                                const uint16_t* values) = 0;
    virtual bool Read_Reg(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) = 0;
    virtual bool Download_Data(uint8_t station, uint8_t area, uint16_t count,
                               const uint16_t* words) = 0;
    virtual bool Download_Block(uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                                const uint16_t* words) = 0;
    virtual bool Download_DataAt(uint8_t station, uint8_t area, uint16_t count,
                                 const uint16_t* words, uint16_t start) = 0;
    virtual bool Upload_Block(uint8_t station, uint8_t area, uint16_t address, uint8_t count,
                              uint16_t* out) = 0;
    virtual bool Read_CFG(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) = 0;
    virtual bool Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                             uint16_t* third) = 0;
    virtual std::u16string GetErrMsg() = 0;
    virtual ~IModbusMaster() = default;
    virtual int OpenPort(int port, int baud, int protocol) = 0;
    virtual void RecvLoop() = 0;
    virtual bool ClosePort(bool stopWorker) = 0;
    virtual bool AutoDetect(int port, int* station, int* baud, int* protocol) = 0;
    virtual bool SetupPort(int baud, int protocol, uint32_t inQueue, uint32_t outQueue) = 0;
    virtual bool Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) = 0;
    virtual bool Write_Reg_RTU(uint8_t station, uint16_t address, uint16_t value,
                               bool waitReply) = 0;
    virtual bool Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count,
                                    const uint16_t* values) = 0;
    virtual bool Read_Triple_RTU(uint8_t station, TripleRecord* record) = 0;
    virtual bool Read_Triple3_RTU(uint8_t station, uint16_t* first, uint16_t* second,
                                  uint16_t* third) = 0;
    virtual bool Read_CFG_RTU(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) = 0;
    virtual bool Download_Block_RTU(uint8_t station, uint8_t area, uint16_t address,
                                    uint16_t count, const uint16_t* words) = 0;
    virtual bool Upload_Block_RTU(uint8_t station, uint8_t area, uint16_t address,
                                  uint8_t count, uint16_t* out) = 0;
};

}  // namespace tarn
