// The callers' side of the hand-over to the receive thread, and how a failed
// exchange is raised.
#include <chrono>

#include "link/hct_comm_base.h"
#include "link/link_messages.h"
#include "platform/wide_string.h"

namespace tarn {

void CHCT_COMM_BASE::Raise(const char* message, LinkFault fault) { Raise(Widen(message), fault); }

void CHCT_COMM_BASE::Raise(std::u16string message, LinkFault fault) {
    m_fault = fault;
    throw message;
}

LinkFault CHCT_COMM_BASE::NoReplyFault() const {
    return {m_bPortLost ? LinkFaultKind::PortLost : LinkFaultKind::TimeOut};
}

bool CHCT_COMM_BASE::Send_Request(uint32_t length) {
    return m_mailbox.Post(m_ReqBuf, length, std::chrono::milliseconds(m_nSendTimeout));
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

void CHCT_COMM_BASE::SetThreadCommand(uint32_t command) {
    {
        std::lock_guard lock(m_mxThread);
        m_nThreadCmd = command;
    }
    m_cvThread.notify_all();
    m_wake.Signal();
}

}  // namespace tarn
