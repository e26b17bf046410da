// Modbus ASCII framing: request lines of hexadecimal text with an LRC and
// CR LF, written and read from the caller's thread; the receive thread leaves
// the port alone in ASCII.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "link/hct_comm_base.h"
#include "link/link_messages.h"
#include "link/trace.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint8_t kExcWriteProtected = 0x28;

// Reads up to `digits` hexadecimal digits as "%X" would: stops at the first
// character that is not one; no digit at all gives 0.
unsigned ParseHex(const uint8_t* text, size_t digits) {
    unsigned value = 0;
    const char* begin = reinterpret_cast<const char*>(text);
    std::from_chars(begin, begin + digits, value, 16);
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

LinkFailure Failure(const char* message, LinkFaultKind kind) { return {Widen(message), {kind}}; }

}  // namespace

struct AsciiFraming {
    using Link = CHCT_COMM_BASE;

    static uint32_t Build(Link& l, const LinkRequest& r) {
        char* text = reinterpret_cast<char*>(l.m_ReqBuf);
        const size_t capacity = sizeof l.m_ReqBuf;
        switch (r.function) {
            case fn::kWriteRegister:
                std::snprintf(text, capacity, ":%02X06%04X%04X", r.station, r.address, r.words[0]);
                break;
            case fn::kWriteRegisters: {
                // The line, its LRC, CR LF and the NUL: 20 + 4 characters a register.
                if (20u + 4u * r.count > capacity) return 0;
                int length = std::snprintf(text, capacity, ":%02X10%04X%04X%02X", r.station, r.address, r.count,
                                           (2u * r.count) & 0xFF);
                for (uint16_t i = 0; i < r.count; ++i)
                    length += std::snprintf(text + length, capacity - length, "%04hX", r.words[i]);
                break;
            }
            case fn::kReadConfig:
                // The drive always returns the whole 16-word record.
                std::snprintf(text, capacity, ":%02XF0%04X0010", r.station, r.address);
                break;
            default: std::snprintf(text, capacity, ":%02X03%04X%04X", r.station, r.address, r.count);
        }
        AppendLrc(l.m_ReqBuf, capacity);
        return static_cast<uint32_t>(std::strlen(text));
    }

    // ":" SS FN, then the data, LL CR LF.
    static uint32_t ReplyLength(const LinkRequest& r) {
        switch (r.function) {
            case fn::kReadRegisters: return 4u * r.count + 11;
            case fn::kReadConfig: return 75;
            default: return 17;
        }
    }

    // A failed read or write of the port: lost, or failing with its error.
    static LinkFault PortFault(const Link& l) {
        const int error = l.m_hCom.LastError();
        if (SerialPort::IsFatalError(error)) return {LinkFaultKind::PortLost};
        return {LinkFaultKind::PortError, error};
    }

    // Writes the request line, reads up to the reply's characters in at most
    // m_nReadPasses + 1 passes and checks the colon.
    static void Exchange(Link& l, const LinkRequest&, uint32_t length, uint32_t replyLength) {
        size_t written = 0;
        if (!l.m_hCom.Write(l.m_ReqBuf, length, written)) l.Raise(msg::kSendingFailed, PortFault(l));
        l.m_nWritten = static_cast<uint32_t>(written);

        // Positions a short reply does not reach read as zeros, not as an older reply.
        std::memset(l.m_RespBuf, 0, sizeof l.m_RespBuf);
        l.m_nAsciiRecv = 0;
        size_t wanted = replyLength;
        for (uint32_t passes = 0; wanted > 0;) {
            size_t got = 0;
            if (!l.m_hCom.Read(l.m_RespBuf + l.m_nAsciiRecv, wanted, got)) l.Raise(msg::kReadError, PortFault(l));
            l.m_nAsciiRecv += static_cast<uint32_t>(got);
            wanted -= got;
            if (++passes > l.m_nReadPasses) break;
        }
        if (l.m_nAsciiRecv == 0) l.Raise(msg::kNoResponse, {LinkFaultKind::TimeOut});
        l.m_RespBuf[l.m_nAsciiRecv] = 0;
        if (l.m_RespBuf[0] != ':') l.Raise(msg::kStxError, {LinkFaultKind::PacketCheck});
    }

    // The LRC of the reply matches its last-but-three and last-but-two characters.
    static bool LrcMatches(const Link& l) {
        const size_t n = l.m_nAsciiRecv;
        if (n < 5) return false;
        char expected[3];
        std::snprintf(expected, sizeof expected, "%2.2X", LrcOfPairs(l.m_RespBuf + 1, n - 5));
        return l.m_RespBuf[n - 4] == expected[0] && l.m_RespBuf[n - 3] == expected[1];
    }

    static std::optional<LinkFailure> Check(Link& l, const LinkRequest& r) {
        const uint8_t* reply = l.m_RespBuf;
        const unsigned code = ParseHex(reply + 5, 2);  // a read's byte count or an exception code
        // The function digit of an exception reply is 8 or above; a record read does not look.
        if (reply[3] >= '8' && r.function != fn::kReadConfig) {
            const LinkFault refusal{LinkFaultKind::Exception, static_cast<int>(code)};
            if (r.function != fn::kWriteRegister) return LinkFailure{Widen(msg::kNotSupported), refusal};
            // The drive refuses a write-protected parameter with code 0x28.
            l.m_nExcCode = static_cast<uint16_t>(code);
            return LinkFailure{Widen(code == kExcWriteProtected ? msg::kWriteProtected : msg::kNotSupported),
                               refusal};
        }
        // The writes' echoes are not compared with the request.
        const bool read = r.function == fn::kReadRegisters || r.function == fn::kReadConfig;
        if (read && code / 2 != (r.function == fn::kReadConfig ? 16u : r.count))
            return Failure(msg::kDataNoError, LinkFaultKind::PacketCheck);
        if (!LrcMatches(l)) return Failure(msg::kLrcError, LinkFaultKind::Crc);
        return std::nullopt;
    }

    static void Decode(const Link& l, const LinkRequest& r, uint16_t* out) {
        for (uint16_t i = 0; i < r.count; ++i) out[i] = static_cast<uint16_t>(ParseHex(l.m_RespBuf + 7 + 4 * i, 4));
    }

    static AttemptRules Rules(uint8_t function) {
        switch (function) {
            // The drive answers function 0x67 only in RTU framing: every
            // attempt fails and leaves the last message as it was.
            case fn::kReadTriple: return {OnFailure::StoreAndPurge, false, Unsent::Fails};
            // The block functions do not exist in ASCII framing: each attempt
            // succeeds without sending anything.
            case fn::kDownloadBlock:
            case fn::kUploadBlock: return {OnFailure::StoreAndPurge, false, Unsent::Succeeds};
            // No attempt locks by itself, so Read_CFG runs without the lock.
            default: return {OnFailure::StoreAndPurge, false, Unsent::No};
        }
    }

    static std::u16string TraceLines(const Link& l) {
        return ExchangeTrace(TextTrace, l.m_ReqBuf, std::min<size_t>(l.m_nWritten, sizeof l.m_ReqBuf), l.m_RespBuf,
                             std::min<size_t>(l.m_nAsciiRecv, sizeof l.m_RespBuf));
    }
};

const LinkFraming CHCT_COMM_BASE::kAsciiFraming{
    AsciiFraming::Build, AsciiFraming::ReplyLength, AsciiFraming::Exchange, AsciiFraming::Check,
    AsciiFraming::Decode, AsciiFraming::Rules,      AsciiFraming::TraceLines, false,
};

}  // namespace tarn
