#include "platform/fifo_event.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/event.h"
#include "support/test_env.h"

using namespace platform;
using norvel::test::TempDir;

TEST(FifoEvent, SetsBeforeAWaitCountAsOneAndTheWaitClearsThem) {
    TempDir dir;
    auto event = FifoEvent::Open(dir.File("e"));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->Wait(0), WaitResult::TimedOut);
    EXPECT_TRUE(FifoEvent::SetNamed(dir.File("e")));
    EXPECT_TRUE(FifoEvent::SetNamed(dir.File("e")));
    event->Set();
    EXPECT_EQ(event->Wait(0), WaitResult::Ready);
    EXPECT_EQ(event->Wait(0), WaitResult::TimedOut);  // auto reset: all three were one
}

TEST(FifoEvent, AWaitEndsWhenAnotherProcessSetsItOrOnCancel) {
    TempDir dir;
    auto event = FifoEvent::Open(dir.File("e"));
    ASSERT_TRUE(event);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        FifoEvent::SetNamed(dir.File("e"));
    });
    EXPECT_EQ(event->Wait(10000), WaitResult::Ready);
    setter.join();

    CancelSignal cancel;
    cancel.Set();
    EXPECT_EQ(event->Wait(kInfinite, &cancel), WaitResult::Cancelled);
}

TEST(FifoEvent, NobodyOwnsAnEventThatIsNotOpen) {
    TempDir dir;
    EXPECT_FALSE(FifoEvent::SetNamed(dir.File("missing")));
    {
        auto event = FifoEvent::Open(dir.File("e"));
        ASSERT_TRUE(event);
    }
    // The FIFO stays, but a set with no owner reading it would be lost: it is refused.
    EXPECT_TRUE(std::filesystem::is_fifo(dir.File("e")));
    EXPECT_FALSE(FifoEvent::SetNamed(dir.File("e")));
    // A plain file is never written to as if it were the event.
    norvel::test::WriteFile(dir.File("file"), "");
    EXPECT_FALSE(FifoEvent::SetNamed(dir.File("file")));
    EXPECT_EQ(norvel::test::ReadFile(dir.File("file")), "");
}

TEST(FifoEvent, OpeningReplacesWhatIsNotAPrivateFifo) {
    TempDir dir;
    norvel::test::WriteFile(dir.File("e"), "planted");
    auto event = FifoEvent::Open(dir.File("e"));
    ASSERT_TRUE(event);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.File("e")));
    EXPECT_EQ(std::filesystem::status(dir.File("e")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_TRUE(FifoEvent::SetNamed(dir.File("e")));
    EXPECT_EQ(event->Wait(0), WaitResult::Ready);
}
