#include "link/request_mailbox.h"

#include <algorithm>
#include <cstring>

namespace tarn {

RequestMailbox::RequestMailbox(std::function<void()> wakeReceiver) : m_wakeReceiver(std::move(wakeReceiver)) {}

RequestMailbox::~RequestMailbox() {
    std::unique_lock lock(m_mx);
    m_bClosed = true;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_nCallers == 0; });
}

void RequestMailbox::Hand(const uint8_t* request, uint32_t length) {
    m_nRequestLen = std::min(length, kCapacity);
    std::memcpy(m_Request, request, m_nRequestLen);
    m_nReplyLen = 0;  // also a reply still in transit from an earlier request
    m_bPending = true;
}

bool RequestMailbox::Post(const uint8_t* request, uint32_t length, Ms take) {
    std::unique_lock lock(m_mx);
    if (m_bClosed) return false;
    ++m_nCallers;
    Hand(request, length);
    m_bTakeAwaited = true;
    m_wakeReceiver();
    const bool taken = m_cv.wait_for(lock, take, [&] { return !m_bPending || m_bClosed; }) && !m_bPending;
    m_bTakeAwaited = false;
    m_bPending = false;
    --m_nCallers;
    m_cv.notify_all();
    return taken;
}

RequestMailbox::Outcome RequestMailbox::Exchange(const uint8_t* request, uint32_t length, Ms take, Ms reply,
                                                 uint8_t* replyOut, uint32_t& replyLength) {
    std::unique_lock lock(m_mx);
    replyLength = 0;
    if (m_bClosed) return Outcome::NotTaken;
    ++m_nCallers;
    Hand(request, length);
    m_bTakeAwaited = false;
    const Clock::time_point start = Clock::now();
    m_wakeReceiver();
    auto leave = [&](Outcome outcome) {
        m_bTakeAwaited = false;
        --m_nCallers;
        m_cv.notify_all();
        return outcome;
    };
    auto replied = [&] { return m_nReplyLen != 0 || m_bClosed; };
    // The thread takes a request within microseconds: wait for the reply as if
    // it was taken now, and look again when that wait runs out. The caller
    // sleeps once per exchange; it is woken for the take only when that is late.
    Clock::time_point due = start + reply;
    for (;;) {
        if (m_cv.wait_until(lock, due, replied)) break;
        if (!m_bPending) {
            if (Clock::now() < m_takenAt + reply) {
                due = m_takenAt + reply;
                continue;
            }
            // Its reply may still come; a retry of the same request may take it.
            m_bUnsettled = true;
            m_nUnsettledLen = m_nRequestLen;
            std::memcpy(m_Unsettled, m_Request, m_nRequestLen);
            return leave(Outcome::NoReply);
        }
        m_bTakeAwaited = true;
        const bool taken = m_cv.wait_until(lock, start + take, [&] { return !m_bPending || m_bClosed; });
        m_bTakeAwaited = false;
        if (!taken || m_bPending) {
            m_bPending = false;
            return leave(Outcome::NotTaken);
        }
        due = m_takenAt + reply;
    }
    if (m_bClosed) {
        m_bPending = false;
        return leave(Outcome::NotTaken);
    }
    std::memcpy(replyOut, m_Reply, m_nReplyLen);
    replyLength = m_nReplyLen;
    return leave(Outcome::Replied);
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
    --m_nCallers;
    m_cv.notify_all();
}

void RequestMailbox::Withdraw() {
    std::lock_guard lock(m_mx);
    m_bPending = false;
}

bool RequestMailbox::Take(uint8_t* out, uint32_t& length) {
    std::lock_guard lock(m_mx);
    if (!m_bPending) return false;
    length = m_nRequestLen;
    std::memcpy(out, m_Request, length);
    m_bPending = false;
    m_nInflightStation = length > 0 ? m_Request[0] : 0;
    m_nInflightFunction = length > 1 ? m_Request[1] : 0;
    m_takenAt = Clock::now();
    // A caller in Post, or one whose take is late, waits to hear of it; one
    // waiting for its reply is woken by the reply alone.
    if (m_bTakeAwaited) m_cv.notify_all();
    return true;
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
    m_cv.notify_all();
}

void RequestMailbox::NoteWritten() {
    std::lock_guard lock(m_mx);
    ++m_nWritten;
    m_lastActivity = Clock::now();
}

void RequestMailbox::NoteReceived() {
    std::lock_guard lock(m_mx);
    m_lastActivity = Clock::now();
}

}  // namespace tarn
