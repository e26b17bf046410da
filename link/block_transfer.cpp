// The drive's own block functions: 0xF5 moves words into one of its data areas,
// 0xF6 reads them back. They exist only in RTU framing.
#include <algorithm>
#include <mutex>

#include "link/crc16.h"
#include "link/hct_comm_base.h"
#include "link/link_messages.h"

namespace tarn {

namespace {

constexpr uint8_t kFnDownloadBlock = 0xF5;
constexpr uint8_t kFnUploadBlock = 0xF6;
constexpr uint8_t kFunctionBit = 0x80;
// Words per block when a word array is sent in pieces.
constexpr uint16_t kChunkWords = 5;
// What the 102-byte request buffer holds: 8 + 2 x 47 bytes.
constexpr uint16_t kMaxBlockWords = 47;

}  // namespace

bool CHCT_COMM_BASE::Download_Data(uint8_t station, uint8_t area, uint16_t count,
                                   const uint16_t* words) {
    return DownloadInBlocks(station, area, count, words, 0);
}

bool CHCT_COMM_BASE::Download_DataAt(uint8_t station, uint8_t area, uint16_t count,
                                     const uint16_t* words, uint16_t start) {
    return DownloadInBlocks(station, area, count, words, start);
}

bool CHCT_COMM_BASE::DownloadInBlocks(uint8_t station, uint8_t area, uint16_t count,
                                      const uint16_t* words, uint16_t start) {
    // Blocks already sent stay sent when a later one fails; its message (with
    // the traces) is then the last message.
    for (uint32_t index = 0; index < count; index += kChunkWords) {
        uint16_t n = static_cast<uint16_t>(std::min<uint32_t>(kChunkWords, count - index));
        if (!Download_Block(station, area, static_cast<uint16_t>(start + index), n, words + index))
            return false;
    }
    return true;
}

bool CHCT_COMM_BASE::Download_Block(uint8_t station, uint8_t area, uint16_t address,
                                    uint16_t count, const uint16_t* words) {
    m_nTries = 0;
    m_nAsciiRecv = 0;
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.downloadBlock(*this, station, area, address, count, words); });
}

bool CHCT_COMM_BASE::Upload_Block(uint8_t station, uint8_t area, uint16_t address,
                                  uint8_t count, uint16_t* out) {
    m_nTries = 0;
    m_nAsciiRecv = 0;
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.uploadBlock(*this, station, area, address, count, out); });
}

bool CHCT_COMM_BASE::Download_Block_RTU(uint8_t station, uint8_t area, uint16_t address,
                                        uint16_t count, const uint16_t* words) {
    std::lock_guard lock(m_csLink);
    return Attempt(OnFailure::StoreWithTraces, [&] {
        if (count > kMaxBlockWords) Raise(msg::kDownloadExceedsMax, {LinkFaultKind::Request});
        m_ReqBuf[0] = station;
        m_ReqBuf[1] = kFnDownloadBlock;
        m_ReqBuf[2] = static_cast<uint8_t>(2 * count + 3);
        m_ReqBuf[3] = area;
        m_ReqBuf[4] = static_cast<uint8_t>(address >> 8);
        m_ReqBuf[5] = static_cast<uint8_t>(address & 0xFF);
        for (uint16_t i = 0; i < count; ++i) {
            m_ReqBuf[6 + 2 * i] = static_cast<uint8_t>(words[i] >> 8);
            m_ReqBuf[7 + 2 * i] = static_cast<uint8_t>(words[i] & 0xFF);
        }
        AppendCrc(m_ReqBuf, 6 + 2u * count);
        Exchange(8 + 2u * count, msg::kReadError);
        if (m_nRespLen != 8) RaiseReply(msg::kDataLengthError);
        if (!(m_RespBuf[1] & kFunctionBit)) RaiseReply(msg::kDownloadNotSupported);
        if (!CrcMatches(m_RespBuf, 6)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
        // A block the drive took leaves its traces as the last message.
        m_strError = TraceLines();
        return true;
    });
}

bool CHCT_COMM_BASE::Upload_Block_RTU(uint8_t station, uint8_t area, uint16_t address,
                                      uint8_t count, uint16_t* out) {
    std::lock_guard lock(m_csLink);
    return Attempt(OnFailure::Store, [&] {
        m_ReqBuf[0] = station;
        m_ReqBuf[1] = kFnUploadBlock;
        m_ReqBuf[2] = 0x04;
        m_ReqBuf[3] = area;
        m_ReqBuf[4] = static_cast<uint8_t>(address >> 8);
        m_ReqBuf[5] = static_cast<uint8_t>(address & 0xFF);
        m_ReqBuf[6] = count;
        AppendCrc(m_ReqBuf, 7);
        Exchange(9, msg::kReadError);
        // A 5-byte exception reply passes here and is judged by what follows.
        if (m_nRespLen != 2u * count + 8 && m_nRespLen != 5) RaiseReply(msg::kDataLengthError);
        if (!(m_RespBuf[1] & kFunctionBit)) RaiseReply(msg::kUploadNotSupported);
        const uint32_t k = static_cast<uint8_t>(m_RespBuf[2] - 3);
        if (k < 2 || (k & 1)) RaiseReply(msg::kUploadLengthError);
        // A length byte that points past the reply buffer cannot carry a valid CRC.
        if (k + 8 > sizeof m_RespBuf || !CrcMatches(m_RespBuf, k + 6)) Raise(msg::kCrcError, {LinkFaultKind::Crc});
        // Never more words than the caller asked for, whatever the length byte says.
        const uint32_t words = std::min<uint32_t>(k / 2, count);
        for (uint32_t i = 0; i < words; ++i)
            out[i] = static_cast<uint16_t>(m_RespBuf[6 + 2 * i] * 256u + m_RespBuf[7 + 2 * i]);
        return true;
    });
}

}  // namespace tarn
