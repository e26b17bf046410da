// One-attempt Modbus ASCII workers. Each formats its request text with the LRC
// and CR LF, writes it from the caller's thread, reads the reply straight from
// the port and checks it; every check raises its message, which the worker
// catches, stores, and follows with a purge of the port.
#include <cstdio>
#include <cstring>

#include "link/hct_comm_base.h"
#include "link/link_messages.h"

namespace tarn {

namespace {

// Characters of the replies: ":" SS FN, then data, LL CR LF.
size_t ReadReplyChars(uint16_t count) { return 4u * count + 11; }
constexpr size_t kEchoChars = 17;
constexpr size_t kConfigReplyChars = 75;
// What the request buffer holds: 19 + 4 x 20 characters and the NUL.
constexpr uint16_t kMaxAsciiWriteRegisters = 20;

// Reads up to `digits` hexadecimal digits as "%X" would: stops at the first
// character that is not one; no digit at all gives 0.
unsigned ParseHex(const uint8_t* text, size_t digits) {
    unsigned value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const uint8_t c = text[i];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        value = value * 16 + d;
    }
    return value;
}

// Two's complement of the 8-bit sum of the pairs in text[0..size); an odd last
// character is not counted.
uint8_t LrcOfPairs(const uint8_t* text, size_t size) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) sum = static_cast<uint8_t>(sum + ParseHex(text + i, 2));
    return static_cast<uint8_t>(-sum);
}

// Appends "LL\r\n" to the NUL-terminated request text in `buffer`.
void AppendLrc(uint8_t* buffer, size_t capacity) {
    char* text = reinterpret_cast<char*>(buffer);
    const size_t length = std::strlen(text);
    const uint8_t lrc = length > 1 ? LrcOfPairs(buffer + 1, length - 1) : 0;
    std::snprintf(text + length, capacity - length, "%2.2X\r\n", lrc);
}

// The function digit of an exception reply is 8 or above.
bool IsException(const uint8_t* reply) { return reply[3] >= '8'; }

}  // namespace

void CHCT_COMM_BASE::AsciiExchange(size_t wanted) {
    AppendLrc(m_ReqBuf, sizeof m_ReqBuf);
    const size_t length = std::strlen(reinterpret_cast<const char*>(m_ReqBuf));
    size_t written = 0;
    if (!m_hCom.Write(m_ReqBuf, length, written)) Raise(msg::kSendingFailed, PortFault());
    m_nWritten = static_cast<uint32_t>(written);

    // Positions a short reply does not reach read as zeros, not as an older reply.
    std::memset(m_RespBuf, 0, sizeof m_RespBuf);
    m_nAsciiRecv = 0;
    for (uint32_t passes = 0; wanted > 0;) {
        size_t got = 0;
        if (!m_hCom.Read(m_RespBuf + m_nAsciiRecv, wanted, got)) Raise(msg::kReadError, PortFault());
        m_nAsciiRecv += static_cast<uint32_t>(got);
        wanted -= got;
        if (++passes > m_nReadPasses) break;
    }
    if (m_nAsciiRecv == 0) Raise(msg::kNoResponse, {LinkFaultKind::TimeOut});
    m_RespBuf[m_nAsciiRecv] = 0;
    if (m_RespBuf[0] != ':') Raise(msg::kStxError, {LinkFaultKind::PacketCheck});
}

LinkFault CHCT_COMM_BASE::PortFault() const {
    const int error = m_hCom.LastError();
    if (SerialPort::IsFatalError(error)) return {LinkFaultKind::PortLost};
    return {LinkFaultKind::PortError, error};
}

LinkFault CHCT_COMM_BASE::AsciiException() const {
    return {LinkFaultKind::Exception, static_cast<int>(ParseHex(m_RespBuf + 5, 2))};
}

bool CHCT_COMM_BASE::AsciiLrcMatches() const {
    const size_t n = m_nAsciiRecv;
    if (n < 5) return false;
    char expected[3];
    std::snprintf(expected, sizeof expected, "%2.2X", LrcOfPairs(m_RespBuf + 1, n - 5));
    return m_RespBuf[n - 4] == expected[0] && m_RespBuf[n - 3] == expected[1];
}

bool CHCT_COMM_BASE::Read_Reg_ASCII(uint8_t station, uint16_t address, uint16_t count,
                                    uint16_t* out) {
    return Attempt(OnFailure::StoreAndPurge, [&] {
        if (count > 10) Raise(msg::kReadExceedsMax, {LinkFaultKind::Request});
        std::snprintf(reinterpret_cast<char*>(m_ReqBuf), sizeof m_ReqBuf, ":%02X03%04X%04X",
                      station, address, count);
        AsciiExchange(ReadReplyChars(count));
        if (IsException(m_RespBuf)) Raise(msg::kNotSupported, AsciiException());
        if (ParseHex(m_RespBuf + 5, 2) / 2 != count) Raise(msg::kDataNoError, {LinkFaultKind::PacketCheck});
        if (!AsciiLrcMatches()) Raise(msg::kLrcError, {LinkFaultKind::Crc});
        for (uint16_t i = 0; i < count; ++i)
            out[i] = static_cast<uint16_t>(ParseHex(m_RespBuf + 7 + 4 * i, 4));
        return true;
    });
}

bool CHCT_COMM_BASE::Write_Reg_ASCII(uint8_t station, uint16_t address, uint16_t value) {
    m_nExcCode = 0;
    return Attempt(OnFailure::StoreAndPurge, [&] {
        std::snprintf(reinterpret_cast<char*>(m_ReqBuf), sizeof m_ReqBuf, ":%02X06%04X%04X",
                      station, address, value);
        AsciiExchange(kEchoChars);
        if (IsException(m_RespBuf)) {
            m_nExcCode = static_cast<uint16_t>(ParseHex(m_RespBuf + 5, 2));
            Raise(m_nExcCode == 0x28 ? msg::kWriteProtected : msg::kNotSupported, AsciiException());
        }
        // The echoed address and value are not compared with the request.
        if (!AsciiLrcMatches()) Raise(msg::kLrcError, {LinkFaultKind::Crc});
        return true;
    });
}

bool CHCT_COMM_BASE::Write_MultiReg_ASCII(uint8_t station, uint16_t address, uint16_t count,
                                         const uint16_t* values) {
    return Attempt(OnFailure::StoreAndPurge, [&] {
        // More registers than the request buffer holds cannot be framed at all.
        if (count > kMaxAsciiWriteRegisters) Raise(msg::kWriteExceedsMax, {LinkFaultKind::Request});
        char* text = reinterpret_cast<char*>(m_ReqBuf);
        int length = std::snprintf(text, sizeof m_ReqBuf, ":%02X10%04X%04X%02X", station, address,
                                   count, (2u * count) & 0xFF);
        for (uint16_t i = 0; i < count; ++i)
            length += std::snprintf(text + length, sizeof m_ReqBuf - length, "%04hX", values[i]);
        AsciiExchange(kEchoChars);
        if (IsException(m_RespBuf)) Raise(msg::kNotSupported, AsciiException());
        if (!AsciiLrcMatches()) Raise(msg::kLrcError, {LinkFaultKind::Crc});
        return true;
    });
}

bool CHCT_COMM_BASE::Read_CFG_ASCII(uint8_t station, uint16_t address, uint16_t count,
                                    uint16_t* out) {
    return Attempt(OnFailure::StoreAndPurge, [&] {
        if (count > 16) Raise(msg::kReadCfgExceedsMax, {LinkFaultKind::Request});
        // The drive always returns the whole 16-word record.
        std::snprintf(reinterpret_cast<char*>(m_ReqBuf), sizeof m_ReqBuf, ":%02XF0%04X0010",
                      station, address);
        AsciiExchange(kConfigReplyChars);
        if (ParseHex(m_RespBuf + 5, 2) / 2 != 16) Raise(msg::kDataNoError, {LinkFaultKind::PacketCheck});
        if (!AsciiLrcMatches()) Raise(msg::kLrcError, {LinkFaultKind::Crc});
        for (uint16_t i = 0; i < count; ++i)
            out[i] = static_cast<uint16_t>(ParseHex(m_RespBuf + 7 + 4 * i, 4));
        return true;
    });
}

}  // namespace tarn
