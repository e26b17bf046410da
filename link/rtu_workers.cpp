// One-attempt Modbus RTU workers. Each builds its request in m_ReqBuf, lets the
// receive thread send it, waits for the drive's reply and checks it in a fixed
// order; every check raises its message, which the worker itself catches.
#include <mutex>

#include "link/crc16.h"
#include "link/hct_comm_base.h"
#include "link/link_messages.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint8_t kFnReadHolding = 0x03;
constexpr uint8_t kFnWriteSingle = 0x06;
constexpr uint8_t kFnWriteMultiple = 0x10;
constexpr uint8_t kFnReadTriple = 0x67;
constexpr uint8_t kFnReadConfig = 0xF0;
constexpr uint8_t kExceptionBit = 0x80;
constexpr uint8_t kExcWriteProtected = 0x28;
constexpr uint16_t kTripleAddress = 0x0012;
// What the 102-byte request buffer holds: 9 + 2 x 46 bytes.
constexpr uint16_t kMaxWriteRegisters = 46;

uint8_t Hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
uint8_t Lo(uint16_t v) { return static_cast<uint8_t>(v & 0xFF); }
uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] * 256u + p[1]); }

// The byte count of a read reply, taken as a signed byte and halved toward zero.
int HalvedByteCount(uint8_t byte) { return static_cast<int8_t>(byte) / 2; }

// Builds SS FN AH AL BH BL and its CRC; returns the frame length, 8.
uint32_t BuildFixedRequest(uint8_t* req, uint8_t station, uint8_t function, uint16_t a,
                           uint16_t b) {
    req[0] = station;
    req[1] = function;
    req[2] = Hi(a);
    req[3] = Lo(a);
    req[4] = Hi(b);
    req[5] = Lo(b);
    AppendCrc(req, 6);
    return 8;
}

}  // namespace

void CHCT_COMM_BASE::Raise(const char* message) { throw Widen(message); }

void CHCT_COMM_BASE::Exchange(uint32_t length, const char* timeoutMessage) {
    SettleBefore(length);
    switch (SendAndAwaitReply(length)) {
        case Handover::Replied: return;
        case Handover::NotTaken: Raise(msg::kSendingFailed);
        case Handover::NoReply: Raise(timeoutMessage);
    }
}

void CHCT_COMM_BASE::PurgePort() {
    if (m_bOpened) m_hCom.Purge();
}

bool CHCT_COMM_BASE::Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count,
                                  uint16_t* out) {
    return Attempt(OnFailure::Store, [&] {
        if (count > 10) Raise(msg::kReadExceedsMax);
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadHolding, address, count),
                 msg::kReadError);
        if (m_nRespLen != 2u * count + 5) Raise(msg::kDataLengthError);
        if (m_RespBuf[1] & kExceptionBit) Raise(msg::kNotSupported);
        if (HalvedByteCount(m_RespBuf[2]) != count) Raise(msg::kDataNoError);
        if (!CrcMatches(m_RespBuf, static_cast<int8_t>(m_RespBuf[2]) + 3)) Raise(msg::kCrcError);
        for (uint16_t i = 0; i < count; ++i) out[i] = Word(m_RespBuf + 3 + 2 * i);
        return true;
    });
}

bool CHCT_COMM_BASE::Write_Reg_RTU(uint8_t station, uint16_t address, uint16_t value,
                                   bool waitReply) {
    m_nExcCode = 0;
    return Attempt(OnFailure::Store, [&] {
        const uint32_t length = BuildFixedRequest(m_ReqBuf, station, kFnWriteSingle, address, value);
        if (!waitReply) {
            SettleBefore(length);
            ClearResponse();
            if (!Send_Request(length)) Raise(msg::kSendingFailed);
            return true;
        }
        Exchange(length, msg::kReadError);
        if (m_nRespLen != 8) throw WidenFormat(msg::kDataLengthErrorN, m_nRespLen);
        if (m_RespBuf[1] & kExceptionBit) {
            m_nExcCode = m_RespBuf[2];
            Raise(m_nExcCode == kExcWriteProtected ? msg::kWriteProtected : msg::kNotSupported);
        }
        // The echo itself is not compared with the request.
        if (!CrcMatches(m_RespBuf, 6)) Raise(msg::kCrcError);
        return true;
    });
}

bool CHCT_COMM_BASE::Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count,
                                        const uint16_t* values) {
    return Attempt(OnFailure::StoreWithTraces, [&] {
        // More registers than the request buffer holds cannot be framed at all.
        if (count > kMaxWriteRegisters) Raise(msg::kWriteExceedsMax);
        m_ReqBuf[0] = station;
        m_ReqBuf[1] = kFnWriteMultiple;
        m_ReqBuf[2] = Hi(address);
        m_ReqBuf[3] = Lo(address);
        m_ReqBuf[4] = Hi(count);
        m_ReqBuf[5] = Lo(count);
        m_ReqBuf[6] = static_cast<uint8_t>(2 * count);
        for (uint16_t i = 0; i < count; ++i) {
            m_ReqBuf[7 + 2 * i] = Hi(values[i]);
            m_ReqBuf[8 + 2 * i] = Lo(values[i]);
        }
        AppendCrc(m_ReqBuf, 7 + 2u * count);
        Exchange(9 + 2u * count, msg::kReadError);
        if (m_nRespLen != 8) Raise(msg::kDataLengthError);
        if (m_RespBuf[1] & kExceptionBit) Raise(msg::kNotSupported);
        if (!CrcMatches(m_RespBuf, 6)) Raise(msg::kCrcError);
        return true;
    });
}

bool CHCT_COMM_BASE::ReadTripleAttempt(uint8_t station, uint16_t words[3]) {
    std::lock_guard lock(m_csLink);
    return Attempt(OnFailure::StoreAndPurge, [&] {
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadTriple, kTripleAddress, 3),
                 msg::kTripleTimeout);
        if (m_nRespLen != 11)
            Raise((m_RespBuf[1] & kExceptionBit) ? msg::kNotSupported : msg::kTripleLengthError);
        if (m_RespBuf[2] != 6) Raise(msg::kDataNoError);
        if (!CrcMatches(m_RespBuf, 9)) Raise(msg::kCrcError);
        for (int i = 0; i < 3; ++i) words[i] = Word(m_RespBuf + 3 + 2 * i);
        return true;
    });
}

bool CHCT_COMM_BASE::Read_Triple_RTU(uint8_t station, TripleRecord* record) {
    uint16_t words[3];
    if (!ReadTripleAttempt(station, words)) return false;
    record->wFirst = words[0];
    record->wSecond = words[1];
    record->wThird = words[2];
    return true;
}

bool CHCT_COMM_BASE::Read_Triple3_RTU(uint8_t station, uint16_t* first, uint16_t* second,
                                      uint16_t* third) {
    uint16_t words[3];
    if (!ReadTripleAttempt(station, words)) return false;
    *first = words[0];
    *second = words[1];
    *third = words[2];
    return true;
}

bool CHCT_COMM_BASE::Read_CFG_RTU(uint8_t station, uint16_t address, uint16_t count,
                                  uint16_t* out) {
    std::lock_guard lock(m_csLink);
    return Attempt(OnFailure::StoreAndPurge, [&] {
        if (count > 16) Raise(msg::kReadCfgExceedsMax);
        // The drive always returns the whole 16-word record.
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadConfig, address, 16),
                 msg::kCfgReadFail);
        if (m_nRespLen == 5) Raise(msg::kCfgError5);
        if (m_nRespLen != 37) Raise(msg::kCfgLengthError);
        if (HalvedByteCount(m_RespBuf[2]) != 16) Raise(msg::kCfgDataNoError);
        if (!CrcMatches(m_RespBuf, static_cast<int8_t>(m_RespBuf[2]) + 3))
            Raise(msg::kCfgCrcError);
        for (uint16_t i = 0; i < count; ++i) out[i] = Word(m_RespBuf + 3 + 2 * i);
        return true;
    });
}

}  // namespace tarn
