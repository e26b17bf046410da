// Modbus RTU framing: binary frames with a CRC, handed to the receive thread,
// which delivers the drive's reply from its link packet.
#include <algorithm>

#include "link/crc16.h"
#include "link/hct_comm_base.h"
#include "link/link_messages.h"
#include "link/trace.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint8_t kExceptionBit = 0x80;
constexpr uint8_t kExcWriteProtected = 0x28;

void Put(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v >> 8);
    at[1] = static_cast<uint8_t>(v & 0xFF);
}
uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] * 256u + p[1]); }

// The byte count of a read reply, taken as a signed byte and halved toward zero.
int HalvedByteCount(uint8_t byte) { return static_cast<int8_t>(byte) / 2; }

LinkFailure CrcFailure(const char* message) { return {Widen(message), {LinkFaultKind::Crc}}; }

}  // namespace

struct RtuFraming {
    using Link = CHCT_COMM_BASE;

    static uint32_t RequestLength(const LinkRequest& r) {
        switch (r.function) {
            case fn::kWriteRegisters: return 9 + 2u * r.count;
            case fn::kDownloadBlock: return 8 + 2u * r.count;
            case fn::kUploadBlock: return 9;
            default: return 8;
        }
    }

    static uint32_t Build(Link& l, const LinkRequest& r) {
        const uint32_t length = RequestLength(r);
        if (length > sizeof l.m_ReqBuf) return 0;
        uint8_t* q = l.m_ReqBuf;
        q[0] = r.station;
        q[1] = r.function;
        if (r.function == fn::kDownloadBlock || r.function == fn::kUploadBlock) {
            // Byte 2 counts the bytes that follow up to the CRC.
            q[2] = r.function == fn::kUploadBlock ? 0x04 : static_cast<uint8_t>(2 * r.count + 3);
            q[3] = r.area;
            Put(q + 4, r.address);
            if (r.function == fn::kUploadBlock) q[6] = static_cast<uint8_t>(r.count);
            for (uint16_t i = 0; r.words && i < r.count; ++i) Put(q + 6 + 2 * i, r.words[i]);
        } else {
            Put(q + 2, r.address);
            // The drive always returns the whole 16-word configuration record.
            Put(q + 4, r.function == fn::kWriteRegister ? r.words[0] : r.function == fn::kReadConfig ? 16 : r.count);
            if (r.function == fn::kWriteRegisters) {
                q[6] = static_cast<uint8_t>(2 * r.count);
                for (uint16_t i = 0; i < r.count; ++i) Put(q + 7 + 2 * i, r.words[i]);
            }
        }
        AppendCrc(q, length - 2);
        return length;
    }

    static uint32_t ReplyLength(const LinkRequest& r) {
        switch (r.function) {
            case fn::kReadRegisters: return 2u * r.count + 5;
            case fn::kReadTriple: return 11;
            case fn::kReadConfig: return 37;
            case fn::kUploadBlock: return 2u * r.count + 8;
            default: return 8;
        }
    }

    // The link packet delimits the reply; the checks compare its length with
    // the one awaited.
    static void Exchange(Link& l, const LinkRequest& r, uint32_t length, uint32_t /*replyLength*/) {
        if (r.waitReply) {
            return l.Exchange(length, r.function == fn::kReadTriple   ? msg::kTripleTimeout
                                      : r.function == fn::kReadConfig ? msg::kCfgReadFail
                                                                      : msg::kReadError);
        }
        // A write that does not wait is done once the receive thread has taken it.
        l.m_mailbox.Settle(l.m_ReqBuf, length, std::chrono::milliseconds(2 * l.m_nRespTimeout));
        l.m_nRespLen = 0;
        if (!l.Send_Request(length)) l.Raise(msg::kSendingFailed, l.NoReplyFault());
    }

    // What a reply that fails a check of its shape is: spoiled (CRC), the
    // drive's refusal (exception) or else of the wrong shape.
    static LinkFault ReplyFault(const Link& l, const LinkRequest& r) {
        const uint32_t n = l.m_nRespLen;
        if (n < 4 || !CrcMatches(l.m_RespBuf, n - 2)) return {LinkFaultKind::Crc};
        // The drive refuses with bit 7 of the function byte set; the block
        // functions refuse with it clear, and F0 by a reply of 5 bytes.
        const bool flagged = (l.m_RespBuf[1] & kExceptionBit) != 0;
        const bool refused = r.function == fn::kDownloadBlock || r.function == fn::kUploadBlock ? !flagged
                             : r.function & kExceptionBit                                     ? n == 5
                                                                                              : flagged;
        if (refused) return {LinkFaultKind::Exception, l.m_RespBuf[2]};
        return {LinkFaultKind::PacketCheck};
    }

    // The data bytes an upload reply's length byte announces.
    static uint32_t UploadedBytes(const Link& l) { return static_cast<uint8_t>(l.m_RespBuf[2] - 3); }

    static std::optional<LinkFailure> Check(Link& l, const LinkRequest& r) {
        const uint8_t* reply = l.m_RespBuf;
        const uint32_t n = l.m_nRespLen;
        const bool flagged = (reply[1] & kExceptionBit) != 0;
        auto shape = [&](const char* message) { return LinkFailure{Widen(message), ReplyFault(l, r)}; };
        switch (r.function) {
            case fn::kReadRegisters:
                if (n != ReplyLength(r)) return shape(msg::kDataLengthError);
                if (flagged) return shape(msg::kNotSupported);
                if (HalvedByteCount(reply[2]) != r.count) return shape(msg::kDataNoError);
                if (!CrcMatches(reply, static_cast<int8_t>(reply[2]) + 3)) return CrcFailure(msg::kCrcError);
                return std::nullopt;
            case fn::kWriteRegister:
                if (n != 8) return LinkFailure{WidenFormat(msg::kDataLengthErrorN, n), ReplyFault(l, r)};
                if (flagged) {
                    // The drive refuses a write-protected parameter with code 0x28.
                    l.m_nExcCode = reply[2];
                    return shape(l.m_nExcCode == kExcWriteProtected ? msg::kWriteProtected : msg::kNotSupported);
                }
                break;  // the echo itself is not compared with the request
            case fn::kWriteRegisters:
                if (n != 8) return shape(msg::kDataLengthError);
                if (flagged) return shape(msg::kNotSupported);
                break;
            case fn::kDownloadBlock:
                if (n != 8) return shape(msg::kDataLengthError);
                if (!flagged) return shape(msg::kDownloadNotSupported);
                break;
            case fn::kReadTriple:
                if (n != 11) return shape(flagged ? msg::kNotSupported : msg::kTripleLengthError);
                if (reply[2] != 6) return shape(msg::kDataNoError);
                if (!CrcMatches(reply, 9)) return CrcFailure(msg::kCrcError);
                return std::nullopt;
            case fn::kReadConfig:
                if (n == 5) return shape(msg::kCfgError5);
                if (n != 37) return shape(msg::kCfgLengthError);
                if (HalvedByteCount(reply[2]) != 16) return shape(msg::kCfgDataNoError);
                if (!CrcMatches(reply, static_cast<int8_t>(reply[2]) + 3)) return CrcFailure(msg::kCfgCrcError);
                return std::nullopt;
            case fn::kUploadBlock: {
                // A 5-byte exception reply passes here and is judged by what follows.
                if (n != ReplyLength(r) && n != 5) return shape(msg::kDataLengthError);
                if (!flagged) return shape(msg::kUploadNotSupported);
                const uint32_t k = UploadedBytes(l);
                if (k < 2 || (k & 1)) return shape(msg::kUploadLengthError);
                // A length byte that points past the reply buffer cannot carry a valid CRC.
                if (k + 8 > sizeof l.m_RespBuf || !CrcMatches(reply, k + 6)) return CrcFailure(msg::kCrcError);
                return std::nullopt;
            }
        }
        // The writes and the download block: 8 bytes whose CRC covers the first 6.
        if (!CrcMatches(reply, 6)) return CrcFailure(msg::kCrcError);
        return std::nullopt;
    }

    static void Decode(const Link& l, const LinkRequest& r, uint16_t* out) {
        const uint8_t* words = l.m_RespBuf + 3;
        uint32_t n = r.count;
        if (r.function == fn::kUploadBlock) {
            words = l.m_RespBuf + 6;
            // Never more words than the caller asked for, whatever the length byte says.
            n = std::min<uint32_t>(UploadedBytes(l) / 2, r.count);
        }
        for (uint32_t i = 0; i < n; ++i) out[i] = Word(words + 2 * i);
    }

    static AttemptRules Rules(uint8_t function) {
        switch (function) {
            case fn::kWriteRegisters: return {OnFailure::StoreWithTraces, false, Unsent::No};
            case fn::kDownloadBlock: return {OnFailure::StoreWithTraces, true, Unsent::No};
            case fn::kReadTriple:
            case fn::kReadConfig: return {OnFailure::StoreAndPurge, true, Unsent::No};
            case fn::kUploadBlock: return {OnFailure::Store, true, Unsent::No};
            default: return {OnFailure::Store, false, Unsent::No};
        }
    }

    // The reply trace shows the response the receive thread delivered.
    static std::u16string TraceLines(const Link& l) {
        return ExchangeTrace(HexTrace, l.m_ReqBuf, std::min<size_t>(l.m_nWritten, sizeof l.m_ReqBuf), l.m_RespBuf,
                             std::min<size_t>(l.m_nRespLen, sizeof l.m_RespBuf));
    }
};

const LinkFraming CHCT_COMM_BASE::kRtuFraming{
    RtuFraming::Build, RtuFraming::ReplyLength, RtuFraming::Exchange, RtuFraming::Check,
    RtuFraming::Decode, RtuFraming::Rules,      RtuFraming::TraceLines, true,
};

}  // namespace tarn
