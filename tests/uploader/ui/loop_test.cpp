// The Qt backend of the window messages, and the pieces the windows share across threads.

#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/window.h"
#include "settings/session_state.h"
#include "ui/background_work.h"
#include "ui/batch_counters.h"
#include "ui/qt_message_loop.h"
#include "ui/window_message_event.h"
#include "ui/window_registration.h"
#include "ui_test_support.h"

using ::testing::ElementsAreArray;
using ui_test::UiTest;

namespace {

using LoopTest = UiTest;

bool OnGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

TEST_F(LoopTest, PostedMessagesRunOnTheUserInterfaceThreadInOrder) {
    std::vector<int> seen;
    std::atomic<bool> allOnGui{true};
    const platform::WindowHandle window =
        platform::RegisterWindow(ui::QtLoop(), [&](uint32_t, platform::WParam w, platform::LParam) {
            allOnGui = allOnGui && OnGuiThread();
            seen.push_back(static_cast<int>(w));
            return 0;
        });
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i)
            platform::PostMessage(window, platform::WM_USER, static_cast<platform::WParam>(i));
    });
    poster.join();
    ASSERT_TRUE(WaitFor([&] { return seen.size() == 200; }));
    std::vector<int> expected(200);
    for (int i = 0; i < 200; ++i)
        expected[static_cast<size_t>(i)] = i;
    EXPECT_THAT(seen, ElementsAreArray(expected));
    EXPECT_TRUE(allOnGui);
    platform::DestroyWindow(window);
}

TEST_F(LoopTest, AMessageSentFromAnotherThreadWaitsForItsResult) {
    const platform::WindowHandle window =
        platform::RegisterWindow(ui::QtLoop(), [](uint32_t, platform::WParam w, platform::LParam) {
            return OnGuiThread() ? static_cast<platform::LResult>(w * 2) : -1;
        });
    std::atomic<platform::LResult> result{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        result = platform::SendMessage(window, platform::WM_USER, 21);
        done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done.load(); }));
    sender.join();
    EXPECT_EQ(result.load(), 42);
    // On its own thread a send is a direct call.
    EXPECT_EQ(platform::SendMessage(window, platform::WM_USER, 5), 10);
    platform::DestroyWindow(window);
}

TEST_F(LoopTest, ASendToAWindowDestroyedBeforeItRanGivesZero) {
    const platform::WindowHandle window = platform::RegisterWindow(
        ui::QtLoop(), [](uint32_t, platform::WParam, platform::LParam) { return 7; });
    std::atomic<platform::LResult> result{-1};
    std::thread sender([&] { result = platform::SendMessage(window, platform::WM_USER); });
    // The user-interface thread destroys the window before it serves the message (it
    // runs no events meanwhile).
    QThread::msleep(50);
    platform::DestroyWindow(window);
    sender.join();
    ProcessEvents();
    EXPECT_EQ(result.load(), 0);
}

TEST_F(LoopTest, ALoopTakenDownDropsItsWindowsAndWhatWasQueued) {
    int ran = 0;
    auto loop = std::make_unique<ui::CQtMessageLoop>();
    const platform::WindowHandle window = platform::RegisterWindow(
        *loop, [&](uint32_t, platform::WParam, platform::LParam) { return ++ran; });
    EXPECT_TRUE(platform::PostMessage(window, platform::WM_USER));
    loop.reset();
    ProcessEvents();
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(platform::IsWindow(window));
}

TEST_F(LoopTest, ARegisteredWidgetAnswersMessagesUntilItCloses) {
    QWidget widget;
    ui::CWindowRegistration registration(
        widget, [](uint32_t message, platform::WParam, platform::LParam) { return message == 1 ? 11 : 0; },
        u"测试窗口");
    EXPECT_EQ(widget.windowTitle(), QStringLiteral("测试窗口"));
    EXPECT_EQ(platform::GetWindowTitle(registration.Handle()), u"测试窗口");
    EXPECT_EQ(widget.property(ui::kWindowHandleProperty).toULongLong(), registration.Handle());
    registration.SetProperty(u"norvel_test_mark", 3);
    EXPECT_EQ(widget.property("norvel_test_mark").toLongLong(), 3);
    ui::CWindowMessageEvent event(1, 0, 0);
    EXPECT_TRUE(registration.Deliver(&event));
    EXPECT_TRUE(event.m_Delivered);
    EXPECT_EQ(event.m_Result, 11);

    const platform::WindowHandle handle = registration.Handle();
    registration.Close();
    EXPECT_FALSE(platform::IsWindow(handle));
    EXPECT_FALSE(widget.property(ui::kWindowHandleProperty).isValid());
    ui::CWindowMessageEvent late(1, 0, 0);
    EXPECT_TRUE(registration.Deliver(&late));
    EXPECT_FALSE(late.m_Delivered);
}

TEST(BatchCountersTest, CountsFromManyThreadsAddUp) {
    settings::g_PendingCount = 0;
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
    EXPECT_EQ(settings::g_PendingCount.load(), 2000);
    // One for the files added, one per success, two per failure given up.
    EXPECT_EQ(changes.load(), 1 + 1000 + 2 * 1000);
}

TEST(BatchCountersTest, TheLastResultOfABatchWithAFailureCompletesIt) {
    settings::g_PendingCount = 0;
    ui::CBatchCounters counters;
    counters.AddTotal(2);
    EXPECT_FALSE(counters.TaskFailed());
    EXPECT_TRUE(counters.TaskSucceeded());
    EXPECT_FALSE(counters.Apply(1, 1));  // retried: open again
    EXPECT_EQ(settings::g_PendingCount.load(), 1);
    EXPECT_TRUE(counters.Apply(0, 1));
    counters.Reset();
    EXPECT_EQ(counters.Get().total, 0);
    EXPECT_EQ(settings::g_PendingCount.load(), 0);
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
