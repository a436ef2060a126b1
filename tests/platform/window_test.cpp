#include "platform/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/message_loop.h"

using namespace platform;
using Mode = Event::ResetMode;

namespace {

constexpr uint32_t kWaitMs = 10000;  // a generous bound: a hang fails instead of blocking

// Runs fn on the loop's thread and waits until it ran. The event is shared: the loop's
// thread may still be inside Set() when the wait returns.
void RunOn(MessageLoop& loop, std::function<void()> fn) {
    auto done = std::make_shared<Event>(Mode::Manual);
    loop.Post([done, fn = std::move(fn)] {
        fn();
        done->Set();
    });
    ASSERT_TRUE(done->Wait(kWaitMs));
}

// A window whose handler answers wParam + lParam and remembers the thread it ran on.
struct EchoWindow {
    explicit EchoWindow(MessageLoop& loop)
        : handle(RegisterWindow(loop, [this](uint32_t, WParam w, LParam l) {
              ranOn = std::this_thread::get_id();
              ++calls;
              return static_cast<LResult>(w) + l;
          })) {}
    ~EchoWindow() { DestroyWindow(handle); }
    std::atomic<std::thread::id> ranOn{};
    std::atomic<int> calls{0};
    WindowHandle handle;
};

}  // namespace

TEST(Window, HandlesAreNeverZeroNorReusedAndDeadHandlesNameNothing) {
    QueueMessageLoop loop;
    std::vector<WindowHandle> seen;
    for (int i = 0; i < 5; ++i) {
        const WindowHandle handle =
            RegisterWindow(loop, [](uint32_t, WParam, LParam) { return 7; });
        ASSERT_NE(handle, kNoWindow);
        for (WindowHandle earlier : seen)
            EXPECT_NE(handle, earlier);
        seen.push_back(handle);
        EXPECT_TRUE(IsWindow(handle));
        EXPECT_TRUE(DestroyWindow(handle));
    }
    const WindowHandle dead = seen.front();
    EXPECT_FALSE(IsWindow(dead));
    EXPECT_FALSE(DestroyWindow(dead));
    EXPECT_EQ(SendMessage(dead, WM_USER), 0);
    EXPECT_FALSE(PostMessage(dead, WM_USER));
    EXPECT_FALSE(SetWindowTitle(dead, u"x"));
    EXPECT_EQ(loop.ProcessPending(), 0u);
    EXPECT_FALSE(IsWindow(kNoWindow));
}

TEST(Window, SendOnTheOwnerThreadIsADirectCallThatMayNest) {
    QueueMessageLoop loop;
    EchoWindow inner(loop);
    const WindowHandle outer = RegisterWindow(loop, [&](uint32_t message, WParam w, LParam l) {
        // A handler sending to another window of its own thread: a nested direct call.
        return SendMessage(inner.handle, message, w, l) * 10;
    });
    EXPECT_EQ(SendMessage(outer, WM_USER + 1, 2, 3), 50);
    EXPECT_EQ(inner.ranOn.load(), std::this_thread::get_id());
    EXPECT_EQ(loop.ProcessPending(), 0u);  // nothing went through the queue
    DestroyWindow(outer);
}

TEST(Window, PostedMessagesRunLaterOnTheOwnerThreadInOrder) {
    QueueMessageLoop loop;
    std::vector<LParam> order;
    const WindowHandle window = RegisterWindow(loop, [&](uint32_t, WParam, LParam l) {
        order.push_back(l);
        return 0;
    });
    for (LParam i = 1; i <= 3; ++i)
        EXPECT_TRUE(PostMessage(window, WM_USER, 0, i));
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(loop.ProcessPending(), 3u);
    EXPECT_EQ(order, (std::vector<LParam>{1, 2, 3}));

    // A message posted before the window was destroyed is dropped, not delivered.
    PostMessage(window, WM_USER, 0, 4);
    DestroyWindow(window);
    loop.ProcessPending();
    EXPECT_EQ(order.size(), 3u);
}

// In the tests below the events are declared before the loops: a loop's thread may still
// be inside Set() when a wait returns, and the loop's destructor joins that thread.

TEST(Window, PostToAnotherThreadRunsThere) {
    Event handled(Mode::Manual);
    ThreadMessageLoop loop;
    std::atomic<std::thread::id> ranOn{};
    const WindowHandle window = RegisterWindow(loop, [&](uint32_t, WParam, LParam) {
        ranOn = std::this_thread::get_id();
        handled.Set();
        return 0;
    });
    ASSERT_TRUE(PostMessage(window, WM_USER));
    ASSERT_TRUE(handled.Wait(kWaitMs));
    EXPECT_NE(ranOn.load(), std::this_thread::get_id());
    DestroyWindow(window);
}

TEST(Window, SendAcrossThreadsWaitsUntilTheOwnerRanIt) {
    Event entered(Mode::Manual);
    Event release(Mode::Manual);
    ThreadMessageLoop loop;
    std::atomic<std::thread::id> ranOn{};
    const WindowHandle window = RegisterWindow(loop, [&](uint32_t, WParam w, LParam) {
        ranOn = std::this_thread::get_id();
        entered.Set();
        EXPECT_TRUE(release.Wait(kWaitMs));
        return static_cast<LResult>(w) * 2;
    });
    std::atomic<bool> returned{false};
    LResult result = 0;
    std::thread sender([&] {
        result = SendMessage(window, WM_USER, 21);
        returned = true;
    });
    ASSERT_TRUE(entered.Wait(kWaitMs));
    EXPECT_FALSE(returned.load());  // the handler is still running
    release.Set();
    sender.join();
    EXPECT_EQ(result, 42);
    EXPECT_NE(ranOn.load(), sender.get_id());
    DestroyWindow(window);
}

TEST(Window, AThreadWaitingInSendServesMessagesSentToItsOwnWindows) {
    ThreadMessageLoop loopA;
    ThreadMessageLoop loopB;
    EchoWindow windowA(loopA);
    // B's handler calls back into A while A waits for B: A must serve it.
    const WindowHandle windowB = RegisterWindow(loopB, [&](uint32_t, WParam w, LParam l) {
        return SendMessage(windowA.handle, WM_USER, w, l) + 1;
    });
    LResult result = 0;
    RunOn(loopA, [&] { result = SendMessage(windowB, WM_USER, 20, 20); });
    EXPECT_EQ(result, 41);
    EXPECT_EQ(windowA.calls.load(), 1);
    DestroyWindow(windowB);
}

TEST(Window, TwoThreadsSendingToEachOtherAtOnceDoNotDeadlock) {
    Event readyA(Mode::Manual), readyB(Mode::Manual), doneA(Mode::Auto), doneB(Mode::Auto);
    std::atomic<LResult> fromA{0}, fromB{0};
    ThreadMessageLoop loopA;
    ThreadMessageLoop loopB;
    EchoWindow windowA(loopA);
    EchoWindow windowB(loopB);
    for (int round = 0; round < 50; ++round) {
        readyA.Reset();  // both threads are past their waits of the last round
        readyB.Reset();
        loopA.Post([&] {
            readyA.Set();
            ASSERT_TRUE(readyB.Wait(kWaitMs));
            fromA = SendMessage(windowB.handle, WM_USER, 1, round);
            doneA.Set();
        });
        loopB.Post([&] {
            readyB.Set();
            ASSERT_TRUE(readyA.Wait(kWaitMs));
            fromB = SendMessage(windowA.handle, WM_USER, 2, round);
            doneB.Set();
        });
        ASSERT_TRUE(doneA.Wait(kWaitMs));
        ASSERT_TRUE(doneB.Wait(kWaitMs));
        EXPECT_EQ(fromA.load(), 1 + round);
        EXPECT_EQ(fromB.load(), 2 + round);
    }
}

TEST(Window, AWindowDestroyedBeforeItsSentMessageRanGivesZero) {
    Event busy(Mode::Manual);
    Event release(Mode::Manual);
    Event sent(Mode::Manual);
    ThreadMessageLoop loop;
    const WindowHandle blocker = RegisterWindow(loop, [&](uint32_t, WParam, LParam) {
        busy.Set();
        EXPECT_TRUE(release.Wait(kWaitMs));
        return 0;
    });
    EchoWindow target(loop);
    PostMessage(blocker, WM_USER);  // keeps the loop's thread busy
    ASSERT_TRUE(busy.Wait(kWaitMs));

    std::atomic<LResult> result{-1};
    std::thread sender([&] {
        sent.Set();
        result = SendMessage(target.handle, WM_USER, 5, 5);
    });
    ASSERT_TRUE(sent.Wait(kWaitMs));
    // Lets the sender queue its call; should it come later, it finds no window: 0 as well.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    DestroyWindow(target.handle);  // while the message waits behind the busy handler
    sender.join();                 // returns without the loop's thread being free
    EXPECT_EQ(result.load(), 0);
    release.Set();
    RunOn(loop, [] {});
    EXPECT_EQ(target.calls.load(), 0);
    DestroyWindow(blocker);
}

TEST(Window, ALoopGoingAwayCompletesPendingSendsWithZero) {
    Event busy(Mode::Manual);
    Event release(Mode::Manual);
    auto loop = std::make_unique<ThreadMessageLoop>();
    const WindowHandle blocker = RegisterWindow(*loop, [&](uint32_t, WParam, LParam) {
        busy.Set();
        EXPECT_TRUE(release.Wait(kWaitMs));
        return 0;
    });
    EchoWindow target(*loop);
    PostMessage(blocker, WM_USER);
    ASSERT_TRUE(busy.Wait(kWaitMs));

    std::atomic<LResult> result{-1};
    std::thread sender([&] { result = SendMessage(target.handle, WM_USER, 1, 1); });
    // The destructor detaches first (the sender gets 0), then waits for the busy handler.
    std::thread destroyer([&] { loop.reset(); });
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(IsWindow(blocker));
    EXPECT_FALSE(IsWindow(target.handle));
    release.Set();
    destroyer.join();
}

TEST(Window, ManyThreadsSendingConcurrentlyAllGetTheirAnswers) {
    ThreadMessageLoop loop;
    int handled = 0;  // touched only on the loop's thread
    const WindowHandle window = RegisterWindow(loop, [&](uint32_t, WParam w, LParam) {
        ++handled;
        return static_cast<LResult>(w) + 1;
    });
    std::atomic<int> wrong{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&, t] {
            for (WParam i = 0; i < 300; ++i) {
                if (SendMessage(window, WM_USER, i * 4 + t) != static_cast<LResult>(i * 4 + t) + 1)
                    ++wrong;
            }
        });
    }
    for (auto& sender : senders)
        sender.join();
    EXPECT_EQ(wrong.load(), 0);
    int total = 0;
    RunOn(loop, [&] { total = handled; });
    EXPECT_EQ(total, 1200);
    DestroyWindow(window);
}

TEST(Window, WindowsAreFoundByTitleAndByProperty) {
    QueueMessageLoop loop;
    auto quiet = [](uint32_t, WParam, LParam) -> LResult { return 0; };
    const WindowHandle first = RegisterWindow(loop, quiet, u"设置");
    const WindowHandle second = RegisterWindow(loop, quiet, u"设置");
    const WindowHandle other = RegisterWindow(loop, quiet);
    EXPECT_EQ(FindWindowByTitle(u"设置"), first);  // the oldest of equal titles
    EXPECT_EQ(FindWindowByTitle(u"设"), kNoWindow);
    EXPECT_EQ(GetWindowTitle(other), u"");

    EXPECT_EQ(FindWindowByProperty(u"norvel_uploader_exe"), kNoWindow);
    EXPECT_TRUE(SetWindowProperty(other, u"norvel_uploader_exe", 1));
    EXPECT_EQ(FindWindowByProperty(u"norvel_uploader_exe"), other);
    EXPECT_EQ(GetWindowProperty(other, u"norvel_uploader_exe"), LParam{1});
    EXPECT_EQ(GetWindowProperty(first, u"norvel_uploader_exe"), std::nullopt);

    EXPECT_TRUE(SetWindowTitle(second, u"Norvel"));
    DestroyWindow(first);
    EXPECT_EQ(FindWindowByTitle(u"设置"), kNoWindow);
    EXPECT_EQ(FindWindowByTitle(u"Norvel"), second);
    DestroyWindow(other);
    EXPECT_EQ(FindWindowByProperty(u"norvel_uploader_exe"), kNoWindow);
    DestroyWindow(second);
}

TEST(Window, SendWithTimeOutGetsTheAnswerOrGivesUpAndWithdrawsTheMessage) {
    QueueMessageLoop loop;  // this thread's loop, pumped only when the test says so
    EchoWindow window(loop);
    std::optional<LResult> answer;
    std::thread sender([&] { answer = SendMessageTimeout(window.handle, WM_USER, 2, 3, 50); });
    sender.join();
    EXPECT_FALSE(answer);  // nobody pumped the loop in time
    loop.ProcessPending();
    EXPECT_EQ(window.calls.load(), 0);  // the message was taken back, not run late

    std::thread answered(
        [&] { answer = SendMessageTimeout(window.handle, WM_USER, 2, 3, kWaitMs); });
    while (window.calls.load() == 0)
        loop.WaitAndProcess(std::chrono::milliseconds(10));
    answered.join();
    EXPECT_EQ(answer, 5);

    // On the window's own thread it is a direct call; a window that is gone answers 0.
    EXPECT_EQ(SendMessageTimeout(window.handle, WM_USER, 1, 1, 0), 2);
    EXPECT_EQ(SendMessageTimeout(kNoWindow, WM_USER, 1, 1, kWaitMs), 0);
}

TEST(Window, SendWithTimeOutEndsWhenTheCancelEventIsSet) {
    Event release(Mode::Manual);  // the events outlive the loop's thread
    Event started(Mode::Manual);
    Event cancel(Mode::Manual);
    ThreadMessageLoop loop;
    const WindowHandle busy = RegisterWindow(loop, [&](uint32_t, WParam, LParam) -> LResult {
        started.Set();
        EXPECT_TRUE(release.Wait(kWaitMs));
        return 9;
    });
    std::optional<LResult> answer = 1;
    std::thread sender(
        [&] { answer = SendMessageTimeout(busy, WM_USER, 0, 0, kInfinite, &cancel); });
    ASSERT_TRUE(started.Wait(kWaitMs));
    cancel.Set();  // the handler is running: the sender stops waiting for it
    sender.join();
    EXPECT_FALSE(answer);
    release.Set();
    // Once set, the event keeps a send from waiting at all.
    EXPECT_FALSE(SendMessageTimeout(busy, WM_USER, 0, 0, kInfinite, &cancel));
    DestroyWindow(busy);
}
