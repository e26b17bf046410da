#include "app/message_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace tarn {
namespace {

// A worker's last sent message ("done") may end the dialog, and the dialog's
// window goes with it at once; the worker, woken by its reply, must not touch
// that window again. The sanitizer builds catch a sender that does.
TEST(MessageWindowTest, ASenderWokenByItsReplyNeedsNothingOfTheWindow) {
    for (int round = 0; round < 300; ++round) {
        auto window = std::make_unique<MessageWindow>([](uint32_t message, WPARAM, LPARAM) -> LRESULT {
            return message + 1;
        });
        LRESULT reply = 0;
        std::thread worker([&, w = window.get()] { reply = w->Send(41, 0, 0); });
        ASSERT_EQ(window->Dispatch(10000), 1);
        window.reset();
        worker.join();
        ASSERT_EQ(reply, 42);
    }
}

// A posted message never holds its poster: the worker is gone before the
// dialog's thread runs its messages, in the order they were posted.
TEST(MessageWindowTest, PostedMessagesRunLaterOnTheDialogsThreadInOrder) {
    std::vector<uint32_t> ran;
    int queued = 0;
    const auto dialog = std::this_thread::get_id();
    MessageWindow window(
        [&](uint32_t message, WPARAM, LPARAM) -> LRESULT {
            EXPECT_EQ(std::this_thread::get_id(), dialog);
            ran.push_back(message);
            return 0;
        },
        [&] { ++queued; });
    std::thread([&] {
        for (uint32_t m : {1u, 2u, 3u}) window.Post(m, 0, 0);
    }).join();
    EXPECT_EQ(queued, 3);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(window.Dispatch(0), 3);
    EXPECT_EQ(ran, (std::vector<uint32_t>{1, 2, 3}));
}

// A handler that runs a loop of its own (a question asked while a message is
// handled) dispatches a worker's sent message inside it; the outer dispatch
// neither deadlocks nor runs that message twice.
TEST(MessageWindowTest, ANestedDispatchRunsAMessageSentMeanwhile) {
    std::vector<uint32_t> ran;
    MessageWindow* self = nullptr;
    MessageWindow window([&](uint32_t message, WPARAM, LPARAM) -> LRESULT {
        ran.push_back(message);
        if (message != 1) return 7;
        LRESULT reply = 0;
        std::thread worker([&] { reply = self->Send(2, 0, 0); });
        while (ran.size() < 2) self->Dispatch(10000);
        worker.join();
        ran.push_back(static_cast<uint32_t>(reply));
        return 0;
    });
    self = &window;
    window.Post(1, 0, 0);
    EXPECT_EQ(window.Dispatch(0), 1);
    EXPECT_EQ(ran, (std::vector<uint32_t>{1, 2, 7}));
}

}  // namespace
}  // namespace tarn
