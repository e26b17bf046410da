#pragma once
// The hand-over between the link's callers and the receive thread: a request
// goes in, its reply (or a time-out) comes out. It also keeps the line's
// settle rule: replies still owed to requests that timed out are let go by
// before a different request goes out, and a reply from another station or
// to another function than the request on the line answers nothing.
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

    // `wakeReceiver` tells the receive thread that a request waits.
    explicit RequestMailbox(std::function<void()> wakeReceiver);
    // Callers still waiting return at once (NotTaken); it ends when they have left.
    ~RequestMailbox();
    RequestMailbox(const RequestMailbox&) = delete;
    RequestMailbox& operator=(const RequestMailbox&) = delete;

    // Callers' side (one caller at a time: the link lock serialises them).
    // Hands `request` over; the receive thread must take it within `take`,
    // and its reply come within `reply` of the take. The reply's bytes land in
    // `replyOut` (kReplyCapacity bytes), their number in `replyLength` (0 when none).
    Outcome Exchange(const uint8_t* request, uint32_t length, Ms take, Ms reply, uint8_t* replyOut,
                     uint32_t& replyLength);
    // Hands `request` over and waits only until the thread has taken it.
    bool Post(const uint8_t* request, uint32_t length, Ms take);
    // Before `request`: when an earlier, different request timed out, waits until
    // every reply owed has come or the line has been quiet for `quiet`, and
    // lets them go by.
    void Settle(const uint8_t* request, uint32_t length, Ms quiet);
    // A request not taken yet is withdrawn.
    void Withdraw();

    // Receive thread's side.
    bool Take(uint8_t* out, uint32_t& length);
    void Deliver(const uint8_t* reply, uint32_t length);
    // A request went out on the line; bytes came in.
    void NoteWritten();
    void NoteReceived();
    // The drive answers the station query at 255 from its own station number.
    static constexpr uint8_t kAnyStation = 255;

private:
    bool Answers(const uint8_t* reply, uint32_t length) const;
    void Hand(const uint8_t* request, uint32_t length);

    std::function<void()> m_wakeReceiver;
    std::mutex m_mx;
    std::condition_variable m_cv;
    bool m_bClosed = false;
    int m_nCallers = 0;  // callers inside Exchange or Post

    uint8_t m_Request[kCapacity] = {};
    uint32_t m_nRequestLen = 0;
    bool m_bPending = false;      // a request waits to be taken
    bool m_bTakeAwaited = false;  // a caller waits to hear of the take
    Clock::time_point m_takenAt;
    uint8_t m_nInflightStation = 0;  // of the request taken last
    uint8_t m_nInflightFunction = 0;
    uint8_t m_Reply[kReplyCapacity] = {};
    uint32_t m_nReplyLen = 0;

    // Requests written and replies delivered, and when the line last saw a
    // request go out or a byte come in.
    uint64_t m_nWritten = 0;
    uint64_t m_nDelivered = 0;
    Clock::time_point m_lastActivity{};
    // The request whose exchange timed out, until the line has settled.
    bool m_bUnsettled = false;
    uint8_t m_Unsettled[kCapacity] = {};
    uint32_t m_nUnsettledLen = 0;
};

}  // namespace tarn
