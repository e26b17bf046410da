#include "link/request_mailbox.h"

#include <algorithm>
#include <cstring>

namespace tarn {

RequestMailbox::RequestMailbox(std::function<void()> wakeReceiver, Sender send)
    : m_wakeReceiver(std::move(wakeReceiver)), m_send(std::move(send)) {}

RequestMailbox::~RequestMailbox() {
    std::unique_lock lock(m_mx);
    m_bClosed = true;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_nCallers == 0; });
}

void RequestMailbox::Leave() {
    --m_nCallers;
    if (m_bClosed) m_cv.notify_all();
}

bool RequestMailbox::WaitForLine(std::unique_lock<std::mutex>& lock, Ms take) {
    auto open = [&] { return !m_bBarred && !m_bPurgeAsked.load(std::memory_order_relaxed); };
    if (open()) return true;  // the common case: no clock read, no wait
    m_cv.wait_for(lock, take, [&] { return m_bClosed || open(); });
    return !m_bClosed && open();
}

bool RequestMailbox::Send(std::unique_lock<std::mutex>& lock, const uint8_t* request, uint32_t length) {
    m_nInflightStation = length > 0 ? request[0] : 0;
    m_nInflightFunction = length > 1 ? request[1] : 0;
    m_nReplyLen = 0;  // also a reply still in transit from an earlier request
    // Counted before the write: the reply may be read before the write returns,
    // and the receive thread must not start afresh in the middle of it.
    ++m_nSent;
    m_bSending = true;
    lock.unlock();
    const bool written = m_send(request, std::min(length, kCapacity));
    lock.lock();
    m_bSending = false;
    if (written) ++m_nWritten;
    m_lastActivity = Clock::now();
    if (m_bBarred) m_cv.notify_all();  // Bar() waits for the write to end
    return written;
}

bool RequestMailbox::Post(const uint8_t* request, uint32_t length, Ms take) {
    std::unique_lock lock(m_mx);
    if (m_bClosed) return false;
    ++m_nCallers;
    const bool open = WaitForLine(lock, take);
    // Taken once it is written, even if the write fails or nobody answers.
    if (open) Send(lock, request, length);
    Leave();
    return open;
}

RequestMailbox::Outcome RequestMailbox::Exchange(const uint8_t* request, uint32_t length, Ms take, Ms reply,
                                                 uint8_t* replyOut, uint32_t& replyLength) {
    std::unique_lock lock(m_mx);
    replyLength = 0;
    if (m_bClosed) return Outcome::NotTaken;
    ++m_nCallers;
    if (!WaitForLine(lock, take)) {
        Leave();
        return Outcome::NotTaken;
    }
    Send(lock, request, length);
    const bool replied =
        m_cv.wait_until(lock, m_lastActivity + reply, [&] { return m_nReplyLen != 0 || m_bClosed; });
    Outcome outcome = Outcome::Replied;
    if (m_bClosed) {
        outcome = Outcome::NotTaken;
    } else if (!replied) {
        // Its reply may still come; a retry of the same request may take it.
        m_bUnsettled = true;
        m_nUnsettledLen = std::min(length, kCapacity);
        std::memcpy(m_Unsettled, request, m_nUnsettledLen);
        outcome = Outcome::NoReply;
    } else {
        std::memcpy(replyOut, m_Reply, m_nReplyLen);
        replyLength = m_nReplyLen;
    }
    Leave();
    return outcome;
}

void RequestMailbox::Settle(const uint8_t* request, uint32_t length, Ms quiet) {
    std::unique_lock lock(m_mx);
    if (!m_bUnsettled || m_bClosed) return;
    if (length == m_nUnsettledLen && std::memcmp(request, m_Unsettled, length) == 0) return;
    ++m_nCallers;
    while (m_nDelivered < m_nWritten && !m_bClosed) {
        // A reply that has not come after `quiet` of a quiet line is lost.
        const auto deadline = m_lastActivity + quiet;
        if (Clock::now() >= deadline) break;
        m_cv.wait_until(lock, deadline);
    }
    m_nDelivered = m_nWritten;
    m_nReplyLen = 0;
    m_bUnsettled = false;
    Leave();
}

void RequestMailbox::AskPurge() {
    {
        std::lock_guard lock(m_mx);
        m_bPurgeAsked.store(true, std::memory_order_release);
    }
    m_wakeReceiver();
}

void RequestMailbox::Purged() {
    {
        std::lock_guard lock(m_mx);
        m_bPurgeAsked.store(false, std::memory_order_relaxed);
    }
    m_cv.notify_all();
}

void RequestMailbox::Bar() {
    std::unique_lock lock(m_mx);
    m_bBarred = true;
    m_cv.wait(lock, [&] { return !m_bSending; });
}

void RequestMailbox::Admit() {
    {
        std::lock_guard lock(m_mx);
        m_bBarred = false;
        m_bPurgeAsked.store(false, std::memory_order_relaxed);  // the port was purged as it was set up
    }
    m_cv.notify_all();
}

bool RequestMailbox::NoteReceived() {
    std::lock_guard lock(m_mx);
    m_lastActivity = Clock::now();
    const bool fresh = m_nSent != m_nSentSeen;
    m_nSentSeen = m_nSent;
    return fresh;
}

bool RequestMailbox::Answers(const uint8_t* reply, uint32_t length) const {
    if (length < 2) return true;  // nothing to compare; the checks judge it
    if (m_nInflightStation != kAnyStation && reply[0] != m_nInflightStation) return false;
    // An exception reply sets bit 7; the block functions' replies are judged on it.
    return (reply[1] & 0x7F) == (m_nInflightFunction & 0x7F);
}

void RequestMailbox::Deliver(const uint8_t* reply, uint32_t length) {
    {
        std::lock_guard lock(m_mx);
        ++m_nDelivered;
        // A reply from another station or to another function is a late reply
        // to an earlier request: it answers nothing.
        if (Answers(reply, length)) {
            m_nReplyLen = std::min(length, kReplyCapacity);
            std::memcpy(m_Reply, reply, m_nReplyLen);
        }
    }
    m_cv.notify_all();  // also a Settle() that counts the replies owed
}

}  // namespace tarn
