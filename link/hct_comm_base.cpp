// The link's operations, written once against the framing table: the
// retrying operations, their one-attempt slots and the block chunking.
#include "link/hct_comm_base.h"

#include <algorithm>

#include "link/link_messages.h"

namespace tarn {

namespace {

constexpr uint16_t kTripleAddress = 0x0012;
// Words per block when a word array is sent in pieces.
constexpr uint16_t kChunkWords = 5;
// With the lock held around all attempts, or none of its own.
constexpr bool kLockAcross = true;
constexpr bool kNoLock = false;

}  // namespace

CHCT_COMM_BASE::CHCT_COMM_BASE() = default;

bool CHCT_COMM_BASE::OneAttempt(const LinkFraming& framing, const LinkRequest& request, uint16_t* out) {
    const AttemptRules rules = framing.rules(request.function);
    if (rules.unsent != Unsent::No) return rules.unsent == Unsent::Succeeds;
    std::unique_lock lock(m_csLink, std::defer_lock);
    if (rules.lock) lock.lock();
    if (request.function == fn::kWriteRegister) m_nExcCode = 0;
    try {
        const LinkFault tooMany{LinkFaultKind::Request};
        if (request.function == fn::kReadRegisters && request.count > 10) Raise(msg::kReadExceedsMax, tooMany);
        if (request.function == fn::kReadConfig && request.count > 16) Raise(msg::kReadCfgExceedsMax, tooMany);
        const uint32_t length = framing.build(*this, request);
        // More words than the request buffer holds cannot be framed at all.
        if (length == 0)
            Raise(request.function == fn::kDownloadBlock ? msg::kDownloadExceedsMax : msg::kWriteExceedsMax, tooMany);
        framing.exchange(*this, request, length, framing.replyLength(request));
        if (!request.waitReply) return true;
        if (auto failure = framing.check(*this, request)) Raise(std::move(failure->message), failure->fault);
        if (out) framing.decode(*this, request, out);
        // A block the drive took leaves its traces as the last message.
        if (request.function == fn::kDownloadBlock) m_strError = TraceLines();
        return true;
    } catch (const std::u16string& message) {
        m_strError = rules.onFailure == OnFailure::StoreWithTraces ? message + u"\n" + TraceLines() : message;
        if (rules.onFailure == OnFailure::StoreAndPurge) PurgePort();
        return false;
    }
}

bool CHCT_COMM_BASE::Retried(bool lockAcross, const LinkRequest& request, uint16_t* out) {
    std::unique_lock lock(m_csLink, std::defer_lock);
    if (lockAcross) lock.lock();
    const LinkFraming& framing = *m_pFraming;
    m_nTries = 0;
    do {
        m_bLastResult = OneAttempt(framing, request, out) ? 1 : 0;
        ++m_nTries;
    } while (!m_bLastResult && m_nTries < m_nRetryLimit);
    return m_bLastResult != 0;
}

bool CHCT_COMM_BASE::Write_Reg(uint8_t station, uint16_t address, uint16_t value) {
    return Retried(kLockAcross, {fn::kWriteRegister, station, address, 1, &value});
}

bool CHCT_COMM_BASE::Write_MultiReg(uint8_t station, uint16_t address, uint16_t count, const uint16_t* values) {
    return Retried(kLockAcross, {fn::kWriteRegisters, station, address, count, values});
}

bool CHCT_COMM_BASE::Read_Reg(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    return Retried(kLockAcross, {fn::kReadRegisters, station, address, count}, out);
}

bool CHCT_COMM_BASE::Read_CFG(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    // No lock across the retries: in RTU each attempt takes it, in ASCII none does.
    return Retried(kNoLock, {fn::kReadConfig, station, address, count}, out);
}

bool CHCT_COMM_BASE::Read_Triple(uint8_t station, uint16_t* first, uint16_t* second, uint16_t* third) {
    return ReadTriple(true, station, first, second, third);
}

bool CHCT_COMM_BASE::ReadTriple(bool retried, uint8_t station, uint16_t* first, uint16_t* second, uint16_t* third) {
    const LinkRequest request{fn::kReadTriple, station, kTripleAddress, 3};
    uint16_t words[3];
    if (!(retried ? Retried(kNoLock, request, words) : OneAttempt(kRtuFraming, request, words))) return false;
    *first = words[0];
    *second = words[1];
    *third = words[2];
    return true;
}

bool CHCT_COMM_BASE::Download_Data(uint8_t station, uint8_t area, uint16_t count, const uint16_t* words) {
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
    m_nAsciiRecv = 0;
    return Retried(kNoLock, {fn::kDownloadBlock, station, address, count, words, area});
}

bool CHCT_COMM_BASE::Upload_Block(uint8_t station, uint8_t area, uint16_t address, uint8_t count, uint16_t* out) {
    m_nAsciiRecv = 0;
    return Retried(kNoLock, {fn::kUploadBlock, station, address, count, nullptr, area}, out);
}

std::u16string CHCT_COMM_BASE::GetErrMsg() { return m_strError; }

std::u16string CHCT_COMM_BASE::TraceLines() const { return m_pFraming.load()->traceLines(*this); }

// ---- one attempt in a given framing ----

bool CHCT_COMM_BASE::Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    return OneAttempt(kRtuFraming, {fn::kReadRegisters, station, address, count}, out);
}

bool CHCT_COMM_BASE::Write_Reg_RTU(uint8_t station, uint16_t address, uint16_t value, bool waitReply) {
    return OneAttempt(kRtuFraming, {fn::kWriteRegister, station, address, 1, &value, 0, waitReply});
}

bool CHCT_COMM_BASE::Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count, const uint16_t* values) {
    return OneAttempt(kRtuFraming, {fn::kWriteRegisters, station, address, count, values});
}

bool CHCT_COMM_BASE::Read_Triple_RTU(uint8_t station, TripleRecord* record) {
    return ReadTriple(false, station, &record->wFirst, &record->wSecond, &record->wThird);
}

bool CHCT_COMM_BASE::Read_Triple3_RTU(uint8_t station, uint16_t* first, uint16_t* second, uint16_t* third) {
    return ReadTriple(false, station, first, second, third);
}

bool CHCT_COMM_BASE::Read_CFG_RTU(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    return OneAttempt(kRtuFraming, {fn::kReadConfig, station, address, count}, out);
}

bool CHCT_COMM_BASE::Download_Block_RTU(uint8_t station, uint8_t area, uint16_t address,
                                        uint16_t count, const uint16_t* words) {
    return OneAttempt(kRtuFraming, {fn::kDownloadBlock, station, address, count, words, area});
}

bool CHCT_COMM_BASE::Upload_Block_RTU(uint8_t station, uint8_t area, uint16_t address, uint8_t count, uint16_t* out) {
    return OneAttempt(kRtuFraming, {fn::kUploadBlock, station, address, count, nullptr, area}, out);
}

bool CHCT_COMM_BASE::Read_Reg_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    return OneAttempt(kAsciiFraming, {fn::kReadRegisters, station, address, count}, out);
}

bool CHCT_COMM_BASE::Write_Reg_ASCII(uint8_t station, uint16_t address, uint16_t value) {
    return OneAttempt(kAsciiFraming, {fn::kWriteRegister, station, address, 1, &value});
}

bool CHCT_COMM_BASE::Write_MultiReg_ASCII(uint8_t station, uint16_t address, uint16_t count, const uint16_t* values) {
    return OneAttempt(kAsciiFraming, {fn::kWriteRegisters, station, address, count, values});
}

bool CHCT_COMM_BASE::Read_CFG_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) {
    return OneAttempt(kAsciiFraming, {fn::kReadConfig, station, address, count}, out);
}

}  // namespace tarn
