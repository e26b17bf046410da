#pragma once
// The hand-over between the link's callers and the receive thread: a request
// goes out, its reply (or a time-out) comes back. The caller writes its request
// to the line itself, through the sender it was given; the receive thread reads
// the line and delivers the replies here. It also keeps the line's settle rule:
// replies still owed to requests that timed out are let go by before a
// different request goes out, and a reply from another station or to another
// function than the request on the line answers nothing.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tarn {

class RequestMailbox {
public:
    using Clock = std::chrono::steady_clock;
    using Ms = std::chrono::milliseconds;
    static constexpr uint32_t kCapacity = 102;       // request bytes
    static constexpr uint32_t kReplyCapacity = 100;  // reply bytes
    enum class Outcome { Replied, NotTaken, NoReply };
    // Writes a request to the line on the caller's thread; false when the write failed.
    using Sender = std::function<bool(const uint8_t* request, uint32_t length)>;

    // `wakeReceiver` wakes the receive thread for a purge; `send` writes requests.
    // Requests are refused until Admit().
    RequestMailbox(std::function<void()> wakeReceiver, Sender send);
    // Callers still waiting return at once (NotTaken); it ends when they have left.
    ~RequestMailbox();
    RequestMailbox(const RequestMailbox&) = delete;
    RequestMailbox& operator=(const RequestMailbox&) = delete;

    // Callers' side (one caller at a time: the link lock serialises them).
    // Writes `request` once the line takes requests (within `take`); its reply
    // must come within `reply` of the write. The reply's bytes land in
    // `replyOut` (kReplyCapacity bytes), their number in `replyLength` (0 when none).
    // A request whose write failed is as good as lost on the line: its caller
    // waits for the reply all the same and hears NoReply.
    Outcome Exchange(const uint8_t* request, uint32_t length, Ms take, Ms reply, uint8_t* replyOut,
                     uint32_t& replyLength);
    // Writes `request` without waiting for a reply; false when the line took no
    // request within `take`.
    bool Post(const uint8_t* request, uint32_t length, Ms take);
    // Before `request`: when an earlier, different request timed out, waits until
    // every reply owed has come or the line has been quiet for `quiet`, and
    // lets them go by.
    void Settle(const uint8_t* request, uint32_t length, Ms quiet);
    // After a failed attempt: the receive thread purges the port before the
    // next request is written.
    void AskPurge();

    // The port's owner: Bar() refuses new requests and waits until none is
    // being written, so the port can be set up or closed under nobody;
    // Admit() takes requests again once the receive thread runs.
    void Bar();
    void Admit();

    // Receive thread's side.
    bool PurgeAsked() const { return m_bPurgeAsked.load(std::memory_order_acquire); }
    void Purged();
    // Bytes came in; true when a request went out since the last bytes did,
    // so that the receive thread starts its scan afresh.
    bool NoteReceived();
    void Deliver(const uint8_t* reply, uint32_t length);
    // The drive answers the station query at 255 from its own station number.
    static constexpr uint8_t kAnyStation = 255;

private:
    bool Answers(const uint8_t* reply, uint32_t length) const;
    // Waits until requests may be written; false when none may within `take`.
    bool WaitForLine(std::unique_lock<std::mutex>& lock, Ms take);
    // Writes the request outside the lock; returns with the lock held again.
    bool Send(std::unique_lock<std::mutex>& lock, const uint8_t* request, uint32_t length);
    void Leave();

    std::function<void()> m_wakeReceiver;
    Sender m_send;
    std::mutex m_mx;
    std::condition_variable m_cv;
    bool m_bClosed = false;
    bool m_bBarred = true;
    bool m_bSending = false;
    std::atomic<bool> m_bPurgeAsked{false};
    int m_nCallers = 0;  // callers inside Exchange, Post or Settle

    uint8_t m_nInflightStation = 0;  // of the request written last
    uint8_t m_nInflightFunction = 0;
    uint8_t m_Reply[kReplyCapacity] = {};
    uint32_t m_nReplyLen = 0;

    // Requests written and replies delivered, and when the line last saw a
    // request go out or a byte come in.
    uint64_t m_nWritten = 0;
    // Requests sent (counted as their write begins), and how many of them the
    // receive thread had seen at its last bytes.
    uint64_t m_nSent = 0;
    uint64_t m_nSentSeen = 0;
    uint64_t m_nDelivered = 0;
    Clock::time_point m_lastActivity{};
    // The request whose exchange timed out, until the line has settled.
    bool m_bUnsettled = false;
    uint8_t m_Unsettled[kCapacity] = {};
    uint32_t m_nUnsettledLen = 0;
};

}  // namespace tarn
