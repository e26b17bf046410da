// The hand-over between callers and the receive thread, with the test thread
// playing the line and the receive thread.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <semaphore>
#include <vector>

#include "link/request_mailbox.h"

namespace tarn::test {

namespace {

using Bytes = std::vector<uint8_t>;
using Ms = RequestMailbox::Ms;
using Outcome = RequestMailbox::Outcome;

const Bytes kReadAtOne{0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
const Bytes kReadElsewhere{0x01, 0x03, 0x00, 0x10, 0x00, 0x01};

struct Answer {
    Outcome outcome;
    Bytes reply;
};

class Mailbox {
public:
    explicit Mailbox(bool admit = true) {
        if (admit) box->Admit();
    }
    // Runs an exchange on a thread of its own.
    std::future<Answer> Ask(const Bytes& request, Ms take = Ms(2000), Ms reply = Ms(80)) {
        return std::async(std::launch::async, [=, this] {
            Answer a;
            uint8_t out[RequestMailbox::kReplyCapacity];
            uint32_t n = 0;
            a.outcome = box->Exchange(request.data(), static_cast<uint32_t>(request.size()), take, reply, out, n);
            a.reply.assign(out, out + n);
            return a;
        });
    }
    // As the line: the request the caller wrote.
    Bytes Take() {
        sent.acquire();
        return line;
    }
    void Deliver(const Bytes& reply) { box->Deliver(reply.data(), static_cast<uint32_t>(reply.size())); }

    std::counting_semaphore<> woken{0}, sent{0}, entered{0};
    std::binary_semaphore writing{1};  // held by a test to keep a write going
    Bytes line;
    std::unique_ptr<RequestMailbox> box = std::make_unique<RequestMailbox>(
        [this] { woken.release(); },
        [this](const uint8_t* request, uint32_t length) {
            entered.release();
            writing.acquire();
            line.assign(request, request + length);
            writing.release();
            sent.release();
            return true;
        });
};

bool Ready(std::future<void>& f, Ms within) { return f.wait_for(within) == std::future_status::ready; }

}  // namespace

TEST(Mailbox, OnlyAReplyOfTheRequestsStationAndFunctionAnswersIt) {
    const struct {
        const char* what;
        Bytes request;
        Bytes reply;  // empty: none comes
        Outcome outcome;
    } kCases[] = {
        {"its reply", kReadAtOne, {0x01, 0x03, 0x02, 0x12, 0x34}, Outcome::Replied},
        {"the drive's refusal", kReadAtOne, {0x01, 0x83, 0x02}, Outcome::Replied},
        {"a stray from station 255", kReadAtOne, {0xFF, 0x03, 0x02, 0x00, 0x01}, Outcome::NoReply},
        {"a stray of another function", kReadAtOne, {0x01, 0x67, 0x06}, Outcome::NoReply},
        {"the station query, from the drive's own station", {0xFF, 0x03, 0x03, 0x00, 0x00, 0x01},
         {0x01, 0x03, 0x02, 0x00, 0x01}, Outcome::Replied},
        {"silence", kReadAtOne, {}, Outcome::NoReply},
    };
    for (const auto& c : kCases) {
        Mailbox m;
        auto answer = m.Ask(c.request);
        EXPECT_EQ(m.Take(), c.request) << c.what;
        if (!c.reply.empty()) m.Deliver(c.reply);
        const Answer a = answer.get();
        EXPECT_EQ(a.outcome, c.outcome) << c.what;
        EXPECT_EQ(a.reply, a.outcome == Outcome::Replied ? c.reply : Bytes{}) << c.what;
    }
}

TEST(Mailbox, RequestsGoOutOnlyWhenTheLineTakesThem) {
    Mailbox closed(false);
    EXPECT_EQ(closed.Ask(kReadAtOne, Ms(50)).get().outcome, Outcome::NotTaken) << "no receive thread runs";
    EXPECT_FALSE(closed.box->Post(kReadAtOne.data(), 6, Ms(20)));
    EXPECT_FALSE(closed.sent.try_acquire());

    // After a failed attempt the next request waits for the receive thread's purge.
    Mailbox m;
    m.box->AskPurge();
    EXPECT_TRUE(m.woken.try_acquire());
    EXPECT_TRUE(m.box->PurgeAsked());
    EXPECT_EQ(m.Ask(kReadAtOne, Ms(50)).get().outcome, Outcome::NotTaken) << "never purged";
    auto answer = m.Ask(kReadAtOne);
    EXPECT_FALSE(m.sent.try_acquire_for(Ms(50)));
    m.box->Purged();
    EXPECT_EQ(m.Take(), kReadAtOne);
    // The receive thread starts its scan afresh once after each request.
    EXPECT_TRUE(m.box->NoteReceived());
    EXPECT_FALSE(m.box->NoteReceived());
    m.Deliver({0x01, 0x03, 0x02, 0x12, 0x34});
    EXPECT_EQ(answer.get().outcome, Outcome::Replied);

    // The port is set up or closed only when no request is being written.
    Mailbox w;
    w.writing.acquire();
    auto posted = std::async(std::launch::async, [&] { return w.box->Post(kReadAtOne.data(), 6, Ms(1000)); });
    w.entered.acquire();
    std::future<void> barred = std::async(std::launch::async, [&] { w.box->Bar(); });
    EXPECT_FALSE(Ready(barred, Ms(100)));
    w.writing.release();
    EXPECT_TRUE(Ready(barred, Ms(1000)));
    EXPECT_TRUE(posted.get());
}

TEST(Mailbox, RepliesOwedAreLetGoByBeforeADifferentRequest) {
    Mailbox m;
    auto first = m.Ask(kReadAtOne);
    m.Take();
    EXPECT_EQ(first.get().outcome, Outcome::NoReply);

    // The same request again needs no settling: its late reply answers it.
    std::future<void> settled = std::async(std::launch::async, [&] { m.box->Settle(kReadAtOne.data(), 6, Ms(5000)); });
    EXPECT_TRUE(Ready(settled, Ms(1000)));
    // Another request waits for the reply owed, which then goes by.
    settled = std::async(std::launch::async, [&] { m.box->Settle(kReadElsewhere.data(), 6, Ms(5000)); });
    EXPECT_FALSE(Ready(settled, Ms(100)));
    m.Deliver({0x01, 0x03, 0x02, 0x00, 0x00});
    EXPECT_TRUE(Ready(settled, Ms(1000)));
    auto second = m.Ask(kReadElsewhere);
    m.Take();
    m.Deliver({0x01, 0x03, 0x02, 0x56, 0x78});
    EXPECT_EQ(second.get().reply, (Bytes{0x01, 0x03, 0x02, 0x56, 0x78}));

    // A reply that never comes is given up after the quiet time.
    auto third = m.Ask(kReadAtOne);
    m.Take();
    EXPECT_EQ(third.get().outcome, Outcome::NoReply);
    settled = std::async(std::launch::async, [&] { m.box->Settle(kReadElsewhere.data(), 6, Ms(150)); });
    EXPECT_TRUE(Ready(settled, Ms(2000)));
}

TEST(Mailbox, ACallerStillWaitingWhenItGoesReturnsAtOnce) {
    Mailbox m;
    auto answer = m.Ask(kReadAtOne, Ms(10000), Ms(10000));
    m.Take();
    m.box.reset();
    ASSERT_EQ(answer.wait_for(Ms(1000)), std::future_status::ready);
    EXPECT_EQ(answer.get().outcome, Outcome::NotTaken);
}

}  // namespace tarn::test
