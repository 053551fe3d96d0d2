#include "platform/GuiThread.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

void RunLoopUntil(const std::function<bool()>& Done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done() && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, FALSE);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class GuiThreadTest : public ::testing::Test {
protected:
    void SetUp() override { Platform::RecordGuiThread(); }
    void TearDown() override { Platform::SetGuiExceptionHandler(nullptr); }
};

TEST_F(GuiThreadTest, OnTheGuiThreadAHandOffRunsAtOnce) {
    bool ran = false;
    Platform::RunOnGuiThread([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(Platform::IsGuiThread());
}

TEST_F(GuiThreadTest, FromAWorkerItIsQueuedInOrderForTheGuiThread) {
    std::vector<int> order;
    std::vector<bool> onGuiThread;
    std::thread worker([&] {
        EXPECT_FALSE(Platform::IsGuiThread());
        for (int i = 0; i < 5; ++i) {
            Platform::RunOnGuiThread([&, i] {
                order.push_back(i);
                onGuiThread.push_back(Platform::IsGuiThread());
            });
        }
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // nothing ran on the worker, nor waited for
    RunLoopUntil([&] { return order.size() == 5; });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(onGuiThread, std::vector<bool>(5, true));
}

TEST_F(GuiThreadTest, QueueingAlwaysWaitsForTheLoop) {
    bool ran = false;
    Platform::QueueOnGuiThread([&] { ran = true; });
    EXPECT_FALSE(ran);
    RunLoopUntil([&] { return ran; });
    EXPECT_TRUE(ran);
}

TEST_F(GuiThreadTest, AnErrorOfAQueuedProcedureGoesToTheHandler) {
    std::vector<std::string> errors;
    Platform::SetGuiExceptionHandler([&](std::exception_ptr Error) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& e) {
            errors.emplace_back(e.what());
        }
    });
    bool after = false;
    Platform::QueueOnGuiThread([] { throw std::runtime_error("queued failure"); });
    Platform::QueueOnGuiThread([&] { after = true; });
    RunLoopUntil([&] { return after; });
    EXPECT_EQ(errors, std::vector<std::string>{"queued failure"});
}

} // namespace
