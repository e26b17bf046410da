#include "app/message_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

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

}  // namespace
}  // namespace tarn
