#pragma once
// The Modbus side of the drive link: the retrying operations written once
// against the framing table, the link lock and the last error message. The serial
// transport (opening the port, the receive thread) is CHCT_COMM's.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/link_fault.h"
#include "link/link_framing.h"
#include "link/modbus_master.h"
#include "link/request_mailbox.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/wake_event.h"

namespace tarn {

class CHCT_COMM_BASE : public IModbusMaster, public ILinkFaults {
public:
    CHCT_COMM_BASE();
    ~CHCT_COMM_BASE() override = default;

    bool Write_Reg(uint8_t station, uint16_t address, uint16_t value) override;
    bool Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                        const uint16_t* values) override;
    bool Read_Reg(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Download_Data(uint8_t station, uint8_t area, uint16_t count,
                       const uint16_t* words) override;
    bool Download_Block(uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                        const uint16_t* words) override;
    bool Download_DataAt(uint8_t station, uint8_t area, uint16_t count, const uint16_t* words,
                         uint16_t start) override;
    bool Upload_Block(uint8_t station, uint8_t area, uint16_t address, uint8_t count,
                      uint16_t* out) override;
    bool Read_CFG(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                     uint16_t* third) override;
    std::u16string GetErrMsg() override;
    // The kind of the last failure, beside GetErrMsg's text; both stay until
    // the next failure.
    LinkFault LastFault() const override { return m_fault; }
    bool ClosePort(bool) override { return true; }

    bool Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count,
                      uint16_t* out) override;
    bool Write_Reg_RTU(uint8_t station, uint16_t address, uint16_t value,
                       bool waitReply) override;
    bool Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count,
                            const uint16_t* values) override;
    bool Read_Triple_RTU(uint8_t station, TripleRecord* record) override;
    bool Read_Triple3_RTU(uint8_t station, uint16_t* first, uint16_t* second,
                          uint16_t* third) override;
    bool Read_CFG_RTU(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Download_Block_RTU(uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                            const uint16_t* words) override;
    bool Upload_Block_RTU(uint8_t station, uint8_t area, uint16_t address, uint8_t count,
                          uint16_t* out) override;

    // One attempt of a register operation in ASCII framing, whatever the
    // link's framing; the retrying operations pick the framing themselves.
    bool Read_Reg_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out);
    bool Write_Reg_ASCII(uint8_t station, uint16_t address, uint16_t value);
    bool Write_MultiReg_ASCII(uint8_t station, uint16_t address, uint16_t count,
                              const uint16_t* values);
    bool Read_CFG_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out);

    // Exception code of the last register write the drive refused; 0 otherwise.
    uint16_t ExceptionCode() const { return m_nExcCode; }

protected:
    // The framing table's two entries; FramingFor picks one by protocol.
    static const LinkFraming kRtuFraming;
    static const LinkFraming kAsciiFraming;
    static const LinkFraming& FramingFor(bool rtu) { return rtu ? kRtuFraming : kAsciiFraming; }
    friend struct RtuFraming;
    friend struct AsciiFraming;

    static constexpr uint32_t kThreadPark = 0;
    static constexpr uint32_t kThreadRun = 10;
    static constexpr uint32_t kThreadEnd = 20;

    // Writes `length` bytes of m_ReqBuf to the line once it takes requests,
    // waiting for that at most m_nSendTimeout ms.
    bool Send_Request(uint32_t length);

    // Receive-thread command, with the wake-ups that make a change seen at once.
    void SetThreadCommand(uint32_t command);

    // "CMD : <request>\nIN  : <reply>\n"
    std::u16string TraceLines() const;

    // Records `fault` and raises `message`.
    [[noreturn]] void Raise(const char* message, LinkFault fault);
    [[noreturn]] void Raise(std::u16string message, LinkFault fault);
    // No reply: a time-out, or the port lost under the receive thread.
    LinkFault NoReplyFault() const;
    // Clears the response, hands over `length` request bytes and waits for the
    // reply; raises the sending failure or `timeoutMessage`.
    void Exchange(uint32_t length, const char* timeoutMessage);
    void PurgePort();

    // One attempt in `framing`: build, exchange, check, take the words read
    // into `out`; a failure is left behind as the framing's rules say.
    bool OneAttempt(const LinkFraming& framing, const LinkRequest& request, uint16_t* out = nullptr);
    // Up to m_nRetryLimit attempts in the link's framing, stopping at the
    // first success; with `lockAcross` the link lock is held around them all.
    bool Retried(bool lockAcross, const LinkRequest& request, uint16_t* out = nullptr);
    // Function 0x67: the three words reach the caller only when read.
    bool ReadTriple(bool retried, uint8_t station, uint16_t* first, uint16_t* second, uint16_t* third);
    // Sends `count` words as blocks of at most 5, at start + index of each block.
    bool DownloadInBlocks(uint8_t station, uint8_t area, uint16_t count, const uint16_t* words,
                          uint16_t start);

    SerialPort m_hCom;
    std::unique_ptr<std::thread> m_pRecvThread;
    std::atomic<uint32_t> m_nThreadCmd{kThreadPark};
    uint32_t m_nRespLen = 0;
    LineSettings m_dcb;
    PortTimeouts m_timeouts;
    uint8_t m_bOpened = 0;
    // Set by the port settings; read by callers and the receive thread.
    std::atomic<const LinkFraming*> m_pFraming{&kAsciiFraming};
    uint8_t m_RespBuf[100] = {};
    uint8_t m_ReqBuf[102] = {};
    std::atomic<uint32_t> m_nWritten{0};
    uint32_t m_nAsciiRecv = 0;
    uint32_t m_nReadPasses = 3;
    uint8_t m_bLastResult = 0;
    uint32_t m_nTries = 0;
    uint32_t m_nRetryLimit = 3;
    uint32_t m_nRespTimeout = 2100;
    uint32_t m_nSendTimeout = 1600;
    uint16_t m_nExcCode = 0;
    std::u16string m_strError;
    LinkFault m_fault;
    // The receive thread lost the port; cleared when it is opened again.
    std::atomic<bool> m_bPortLost{false};
    std::recursive_mutex m_csLink;

    WakeEvent m_wake;
    // Callers write their requests through here, on their own thread; the
    // receive thread delivers the replies here.
    RequestMailbox m_mailbox{[this] { m_wake.Signal(); },
                             [this](const uint8_t* request, uint32_t length) {
                                 size_t written = 0;
                                 const bool ok = m_hCom.Write(request, length, written);
                                 m_nWritten = static_cast<uint32_t>(written);
                                 return ok;
                             }};

    // Parking of the receive thread while the port is closed.
    std::mutex m_mxThread;
    std::condition_variable m_cvThread;
    bool m_bParked = true;
};

}  // namespace tarn
