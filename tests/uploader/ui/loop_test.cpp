// The Qt backend of the window messages.

#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/window.h"
#include "ui/qt_message_loop.h"
#include "ui/window_message_event.h"
#include "ui/window_registration.h"
#include "ui_test_support.h"

using ::testing::ElementsAreArray;
using ui_test::UiTest;

namespace {

using LoopTest = UiTest;

bool OnGuiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

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
        widget,
        [](uint32_t message, platform::WParam, platform::LParam) { return message == 1 ? 11 : 0; },
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
