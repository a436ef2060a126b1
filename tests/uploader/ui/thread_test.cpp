// The pieces of the user interface that threads share: the batch counters, the
// background threads and the serial disk work. No Qt here, so ThreadSanitizer sees every
// synchronisation (Qt's own mutexes wait on futexes it cannot follow).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "intake/library.h"
#include "intake/messages.h"
#include "ui/background_work.h"
#include "ui/batch_counters.h"
#include "ui/serial_work.h"
#include "ui/ui_actions.h"

TEST(BatchCountersTest, CountsFromManyThreadsAddUp) {
    ui::CBatchCounters counters;
    std::atomic<int> changes{0};
    counters.SetOnChange([&] { ++changes; });
    counters.AddTotal(4000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                if (t % 2 == 0) {
                    counters.TaskSucceeded();
                } else {
                    counters.TaskFailed();
                    counters.FailureRemoved();  // given up: now done
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const ui::CBatchCounters::Snapshot counts = counters.Get();
    EXPECT_EQ(counts.done, 2000);
    EXPECT_EQ(counts.fail, 0);
    EXPECT_FALSE(counts.hadFailure);
    EXPECT_EQ(counts.Open(), 2000);
    EXPECT_EQ(intake::Session().PendingCount(), 2000);
    // One for the files added, one per success, two per failure given up.
    EXPECT_EQ(changes.load(), 1 + 1000 + 2 * 1000);
}

TEST(BatchCountersTest, TheLastResultOfABatchWithAFailureCompletesIt) {
    ui::CBatchCounters counters;
    counters.AddTotal(2);
    EXPECT_FALSE(counters.TaskFailed());
    EXPECT_TRUE(counters.TaskSucceeded());
    EXPECT_FALSE(counters.Apply(intake::kCounterFailureResolved,
                                intake::kCounterFailureRetried));  // open again
    EXPECT_EQ(intake::Session().PendingCount(), 1);
    EXPECT_TRUE(counters.Apply(intake::kCounterTaskEnded, intake::kCounterFailed));
    counters.Reset();
    EXPECT_EQ(counters.Get().total, 0);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST(BackgroundWorkTest, RunsWorkAwayAndJoinsItAll) {
    ui::CBackgroundWork work;
    std::atomic<int> ran{0};
    for (int i = 0; i < 20; ++i)
        work.Run([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ++ran;
        });
    work.JoinAll();
    EXPECT_EQ(ran.load(), 20);
    EXPECT_EQ(work.Running(), 0u);
    work.Run([&] { ++ran; });  // taken down: dropped
    EXPECT_EQ(ran.load(), 20);
}

TEST(SerialWorkTest, JobsRunInOrderOnOneOtherThread) {
    std::vector<int> order;
    std::thread::id worker;
    bool oneThread = true;
    {
        ui::CSerialWork work;
        for (int i = 0; i < 50; ++i) {
            work.Run([&, i] {
                if (i == 0)
                    worker = std::this_thread::get_id();
                oneThread = oneThread && std::this_thread::get_id() == worker;
                order.push_back(i);
            });
        }
        work.WaitIdle();
        EXPECT_EQ(order.size(), 50u);
        work.Run([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            order.push_back(50);
        });
    }  // the queued job still runs before the thread is joined
    ASSERT_EQ(order.size(), 51u);
    for (int i = 0; i <= 50; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_TRUE(oneThread);
    EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(UiActionsTest, ThreadsThatInstallAndRunTheActionsAtOnceShareOneSlot) {
    using Action = std::function<void()>;
    std::atomic<bool> go{false};
    std::atomic<int> queries{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            if (t == 0)
                intake::Library().SetSeam(&intake::LibrarySeams::userInfo,
                                          Action([&] { ++queries; }));
            for (int i = 0; i < 200; ++i)
                ui::RunUserInfoQuery();
        });
    }
    go = true;
    for (auto& thread : threads)
        thread.join();
    const int before = queries.load();
    EXPECT_GE(before, 200);  // the installing thread's own runs all saw its action
    ui::RunUserInfoQuery();
    EXPECT_EQ(queries.load(), before + 1);
    intake::Library().SetSeam(&intake::LibrarySeams::userInfo, Action());
    ui::RunUserInfoQuery();  // released: the harmless default
    EXPECT_EQ(queries.load(), before + 1);
}
