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
constexpr uint8_t kFnDownloadBlock = 0xF5;
constexpr uint8_t kFnUploadBlock = 0xF6;
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

void CHCT_COMM_BASE::Raise(const char* message, LinkFault fault) { Raise(Widen(message), fault); }

void CHCT_COMM_BASE::Raise(std::u16string message, LinkFault fault) {
    m_fault = fault;
    throw message;
}

LinkFault CHCT_COMM_BASE::ReplyFault() const {
    const uint32_t n = m_nRespLen;
    if (n < 4 || !CrcMatches(m_RespBuf, n - 2)) return {LinkFaultKind::Crc};
    // The drive refuses with bit 7 of the function byte set; the block
    // functions refuse with it clear, and F0 by a reply of 5 bytes.
    const uint8_t function = m_ReqBuf[1];
    const bool refused = function == kFnDownloadBlock || function == kFnUploadBlock ? !(m_RespBuf[1] & kExceptionBit)
                         : function & kExceptionBit                                 ? n == 5
                                                                                    : (m_RespBuf[1] & kExceptionBit) != 0;
    if (refused) return {LinkFaultKind::Exception, m_RespBuf[2]};
    return {LinkFaultKind::PacketCheck};
}

void CHCT_COMM_BASE::RaiseReply(const char* message) { Raise(message, ReplyFault()); }

LinkFault CHCT_COMM_BASE::NoReplyFault() const {
    return {m_bPortLost ? LinkFaultKind::PortLost : LinkFaultKind::TimeOut};
}

void CHCT_COMM_BASE::Exchange(uint32_t length, const char* timeoutMessage) {
    // Before a request that differs from one whose attempt timed out, the
    // replies still owed to that one are let go by: one of them would pass
    // every check of the new request (a read of as many registers elsewhere).
    m_mailbox.Settle(m_ReqBuf, length, std::chrono::milliseconds(2 * m_nRespTimeout));
    uint32_t replied = 0;
    const auto outcome = m_mailbox.Exchange(m_ReqBuf, length, std::chrono::milliseconds(m_nSendTimeout),
                                            std::chrono::milliseconds(m_nRespTimeout), m_RespBuf, replied);
    m_nRespLen = replied;
    switch (outcome) {
        case RequestMailbox::Outcome::Replied: return;
        case RequestMailbox::Outcome::NotTaken: Raise(msg::kSendingFailed, NoReplyFault());
        case RequestMailbox::Outcome::NoReply: Raise(timeoutMessage, NoReplyFault());
    }
}

void CHCT_COMM_BASE::PurgePort() {
    if (!m_bOpened) return;
    if (!m_pFraming.load()->receiveThreadReads) {
        m_hCom.Purge();  // the callers use the port themselves
        return;
    }
    // The receive thread owns the port's reading: it purges before the next
    // request is written.
    m_mailbox.AskPurge();
}

bool CHCT_COMM_BASE::Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count,
                                  uint16_t* out) {
    return Attempt(OnFailure::Store, [&] {
        if (count > 10) Raise(msg::kReadExceedsMax, {LinkFaultKind::Request});
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadHolding, address, count),
                 msg::kReadError);
        if (m_nRespLen != 2u * count + 5) RaiseReply(msg::kDataLengthError);
        if (m_RespBuf[1] & kExceptionBit) RaiseReply(msg::kNotSupported);
        if (HalvedByteCount(m_RespBuf[2]) != count) RaiseReply(msg::kDataNoError);
        if (!CrcMatches(m_RespBuf, static_cast<int8_t>(m_RespBuf[2]) + 3)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
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
            m_mailbox.Settle(m_ReqBuf, length, std::chrono::milliseconds(2 * m_nRespTimeout));
            m_nRespLen = 0;
            if (!Send_Request(length)) Raise(msg::kSendingFailed, NoReplyFault());
            return true;
        }
        Exchange(length, msg::kReadError);
        if (m_nRespLen != 8) Raise(WidenFormat(msg::kDataLengthErrorN, m_nRespLen), ReplyFault());
        if (m_RespBuf[1] & kExceptionBit) {
            m_nExcCode = m_RespBuf[2];
            RaiseReply(m_nExcCode == kExcWriteProtected ? msg::kWriteProtected : msg::kNotSupported);
        }
        // The echo itself is not compared with the request.
        if (!CrcMatches(m_RespBuf, 6)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
        return true;
    });
}

bool CHCT_COMM_BASE::Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count,
                                        const uint16_t* values) {
    return Attempt(OnFailure::StoreWithTraces, [&] {
        // More registers than the request buffer holds cannot be framed at all.
        if (count > kMaxWriteRegisters) Raise(msg::kWriteExceedsMax, {LinkFaultKind::Request});
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
        if (m_nRespLen != 8) RaiseReply(msg::kDataLengthError);
        if (m_RespBuf[1] & kExceptionBit) RaiseReply(msg::kNotSupported);
        if (!CrcMatches(m_RespBuf, 6)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
        return true;
    });
}

bool CHCT_COMM_BASE::ReadTripleAttempt(uint8_t station, uint16_t words[3]) {
    std::lock_guard lock(m_csLink);
    return Attempt(OnFailure::StoreAndPurge, [&] {
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadTriple, kTripleAddress, 3),
                 msg::kTripleTimeout);
        if (m_nRespLen != 11)
            RaiseReply((m_RespBuf[1] & kExceptionBit) ? msg::kNotSupported : msg::kTripleLengthError);
        if (m_RespBuf[2] != 6) RaiseReply(msg::kDataNoError);
        if (!CrcMatches(m_RespBuf, 9)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
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
        if (count > 16) Raise(msg::kReadCfgExceedsMax, {LinkFaultKind::Request});
        // The drive always returns the whole 16-word record.
        Exchange(BuildFixedRequest(m_ReqBuf, station, kFnReadConfig, address, 16),
                 msg::kCfgReadFail);
        if (m_nRespLen == 5) RaiseReply(msg::kCfgError5);
        if (m_nRespLen != 37) RaiseReply(msg::kCfgLengthError);
        if (HalvedByteCount(m_RespBuf[2]) != 16) RaiseReply(msg::kCfgDataNoError);
        if (!CrcMatches(m_RespBuf, static_cast<int8_t>(m_RespBuf[2]) + 3))
            Raise(msg::kCfgCrcError, {LinkFaultKind::Crc});
        for (uint16_t i = 0; i < count; ++i) out[i] = Word(m_RespBuf + 3 + 2 * i);
        return true;
    });
}

}  // namespace tarn
