#include "link/hct_comm_base.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "link/link_messages.h"
#include "link/trace.h"
#include "platform/wide_string.h"

namespace tarn {

CHCT_COMM_BASE::CHCT_COMM_BASE() = default;

bool CHCT_COMM_BASE::Write_Reg(uint8_t station, uint16_t address, uint16_t value) {
    std::lock_guard lock(m_csLink);
    return Retry([&] {
        return m_bRtu ? Write_Reg_RTU(station, address, value, true)
                      : Write_Reg_ASCII(station, address, value);
    });
}

bool CHCT_COMM_BASE::Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                                    const uint16_t* values) {
    std::lock_guard lock(m_csLink);
    return Retry([&] {
        return m_bRtu ? Write_MultiReg_RTU(station, address, count, values)
                      : Write_MultiReg_ASCII(station, address, count, values);
    });
}

bool CHCT_COMM_BASE::Read_Reg(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    std::lock_guard lock(m_csLink);
    return Retry([&] {
        return m_bRtu ? Read_Reg_RTU(station, address, count, out)
                      : Read_Reg_ASCII(station, address, count, out);
    });
}

bool CHCT_COMM_BASE::Read_CFG(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    return Retry([&] {
        return m_bRtu ? Read_CFG_RTU(station, address, count, out)
                      : Read_CFG_ASCII(station, address, count, out);
    });
}

bool CHCT_COMM_BASE::Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                                 uint16_t* third) {
    // The drive answers function 0x67 only in RTU framing: in ASCII mode every
    // attempt fails and leaves the last message as it was.
    return Retry([&] { return m_bRtu && Read_Triple3_RTU(station, first, second, third); });
}

std::u16string CHCT_COMM_BASE::GetErrMsg() { return m_strError; }

std::u16string CHCT_COMM_BASE::TraceLines() const {
    const size_t sent = std::min<size_t>(m_nWritten, sizeof m_ReqBuf);
    if (!m_bRtu) {
        return u"CMD : " + TextTrace(m_ReqBuf, sent) + u"\nIN  : " +
               TextTrace(m_RespBuf, std::min<size_t>(m_nAsciiRecv, sizeof m_RespBuf)) + u"\n";
    }
    // In RTU mode the reply trace shows the response the receive thread delivered.
    return u"CMD : " + HexTrace(m_ReqBuf, sent) + u"\nIN  : " +
           HexTrace(m_RespBuf, std::min<size_t>(m_nRespLen, sizeof m_RespBuf)) + u"\n";
}

// ---- hand-over between callers and the receive thread ----

void CHCT_COMM_BASE::ClearResponse() {
    std::lock_guard lock(m_mxHandoff);
    m_nRxLen = 0;
    m_nRespLen = 0;
}

bool CHCT_COMM_BASE::Send_Request(uint32_t length) {
    std::unique_lock lock(m_mxHandoff);
    m_nTxLen = length;
    m_bTxPending = 1;
    m_bTakeAwaited = true;
    m_wake.Signal();
    bool taken = m_cvHandoff.wait_for(lock, std::chrono::milliseconds(m_nSendTimeout),
                                      [&] { return m_bTxPending == 0; });
    m_bTakeAwaited = false;
    if (!taken) m_bTxPending = 0;
    return taken;
}

CHCT_COMM_BASE::Handover CHCT_COMM_BASE::SendAndAwaitReply(uint32_t length) {
    using Clock = std::chrono::steady_clock;
    const auto replyTime = std::chrono::milliseconds(m_nRespTimeout);
    std::unique_lock lock(m_mxHandoff);
    m_nRxLen = 0;  // also a reply still in transit from an earlier request
    m_nRespLen = 0;
    m_nTxLen = length;
    m_bTxPending = 1;
    m_bTakeAwaited = false;
    const Clock::time_point start = Clock::now();
    m_wake.Signal();
    auto replied = [&] { return m_nRxLen != 0; };
    // The thread takes a request within microseconds: wait for the reply as if
    // it was taken now, and look again when that wait runs out.
    Clock::time_point due = start + replyTime;
    for (;;) {
        if (m_cvHandoff.wait_until(lock, due, replied)) break;
        if (!m_bTxPending) {
            if (Clock::now() < m_takenAt + replyTime) {
                due = m_takenAt + replyTime;
                continue;
            }
            // Its reply may still come; a retry of the same request may take it.
            m_bUnsettled = true;
            m_nUnsettledLen = std::min<uint32_t>(m_nTxLen, sizeof m_UnsettledReq);
            std::memcpy(m_UnsettledReq, m_ReqBuf, m_nUnsettledLen);
            return Handover::NoReply;
        }
        // Not taken yet: from here on the thread wakes this caller when it takes it.
        m_bTakeAwaited = true;
        const bool taken = m_cvHandoff.wait_until(lock, start + std::chrono::milliseconds(m_nSendTimeout),
                                                  [&] { return m_bTxPending == 0; });
        m_bTakeAwaited = false;
        if (!taken) {
            m_bTxPending = 0;
            return Handover::NotTaken;
        }
        due = m_takenAt + replyTime;
    }
    std::memcpy(m_RespBuf, m_RxBuf, m_nRxLen);
    m_nRespLen = m_nRxLen;
    return Handover::Replied;
}

void CHCT_COMM_BASE::SettleBefore(uint32_t length) {
    std::unique_lock lock(m_mxHandoff);
    if (!m_bUnsettled) return;
    if (length == m_nUnsettledLen && std::memcmp(m_ReqBuf, m_UnsettledReq, length) == 0) return;
    const auto quiet = std::chrono::milliseconds(2 * m_nRespTimeout);
    while (m_nRepliesDelivered < m_nRequestsWritten) {
        // A reply that has not come after twice the time-out of quiet is lost.
        const auto deadline = m_lastLineActivity + quiet;
        if (std::chrono::steady_clock::now() >= deadline) break;
        m_cvHandoff.wait_until(lock, deadline);
    }
    m_nRepliesDelivered = m_nRequestsWritten;
    m_nRxLen = 0;
    m_nRespLen = 0;
    m_bUnsettled = false;
}

void CHCT_COMM_BASE::NoteRequestWritten() {
    std::lock_guard lock(m_mxHandoff);
    ++m_nRequestsWritten;
    m_lastLineActivity = std::chrono::steady_clock::now();
}

void CHCT_COMM_BASE::NoteBytesReceived() {
    std::lock_guard lock(m_mxHandoff);
    m_lastLineActivity = std::chrono::steady_clock::now();
}

bool CHCT_COMM_BASE::TakeRequest(uint8_t* out, uint32_t& length) {
    if (!m_bTxPending) return false;  // the common case on every pass of the receive loop
    std::lock_guard lock(m_mxHandoff);
    if (!m_bTxPending) return false;
    length = std::min<uint32_t>(m_nTxLen, sizeof m_ReqBuf);
    std::memcpy(out, m_ReqBuf, length);
    m_bTxPending = 0;
    m_nInflightStation = length > 0 ? out[0] : 0;
    m_nInflightFunction = length > 1 ? out[1] : 0;
    m_takenAt = std::chrono::steady_clock::now();
    // A caller in Send_Request, or one whose take is late, waits to hear of it;
    // one waiting for its reply is woken by the reply alone.
    if (m_bTakeAwaited) m_cvHandoff.notify_all();
    return true;
}

void CHCT_COMM_BASE::DeliverResponse(const uint8_t* payload, uint32_t length) {
    {
        std::lock_guard lock(m_mxHandoff);
        ++m_nRepliesDelivered;
        if (!AnswersInflightRequest(payload, length)) return;
        length = std::min<uint32_t>(length, sizeof m_RxBuf);
        std::memcpy(m_RxBuf, payload, length);
        m_nRxLen = length;
    }
    m_cvHandoff.notify_all();
}

bool CHCT_COMM_BASE::AnswersInflightRequest(const uint8_t* reply, uint32_t length) const {
    if (length < 2) return true;  // nothing to compare; the checks judge it
    // The drive answers the station query at 255 from its own station number.
    if (m_nInflightStation != kAnyStation && reply[0] != m_nInflightStation) return false;
    // An exception reply sets bit 7; the block functions' replies are judged on it.
    return (reply[1] & 0x7F) == (m_nInflightFunction & 0x7F);
}

void CHCT_COMM_BASE::CancelRequest() {
    std::lock_guard lock(m_mxHandoff);
    m_bTxPending = 0;
}

void CHCT_COMM_BASE::SetThreadCommand(uint32_t command) {
    {
        std::lock_guard lock(m_mxThread);
        m_nThreadCmd = command;
    }
    m_cvThread.notify_all();
    m_wake.Signal();
}

}  // namespace tarn
