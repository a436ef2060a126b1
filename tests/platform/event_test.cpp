#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

using namespace platform;
using Mode = Event::ResetMode;
using Clock = std::chrono::steady_clock;

namespace {

// Counts releases and lets the test wait until a given count is reached.
class ReleaseCounter {
public:
    void Add() {
        std::lock_guard guard(m_Lock);
        ++m_Count;
        m_Changed.notify_all();
    }
    bool WaitFor(int count) {
        std::unique_lock lock(m_Lock);
        return m_Changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_Count >= count; });
    }
    int Count() {
        std::lock_guard guard(m_Lock);
        return m_Count;
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    int m_Count = 0;
};

class CountingListener : public EventListener {
public:
    explicit CountingListener(const Event& event) : m_Event(event) {}
    void Notify() override {
        // The event is already set when its listeners hear of it.
        if (m_Event.IsSet())
            ++m_SawSet;
        ++m_Calls;
    }
    std::atomic<int> m_Calls{0};
    std::atomic<int> m_SawSet{0};

private:
    const Event& m_Event;
};

}  // namespace

TEST(Event, TimeOutsWaitAtLeastTheirTimeAndReportNothingSet) {
    Event event(Mode::Auto);
    Event other(Mode::Manual);
    EXPECT_FALSE(event.Wait(0));
    EXPECT_EQ(WaitAny({}, kInfinite), kWaitTimeout);

    auto start = Clock::now();
    EXPECT_FALSE(event.Wait(40));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));

    start = Clock::now();
    EXPECT_EQ(WaitAny({&event, &other}, 30), kWaitTimeout);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Event, ManualResetStaysSetAutoResetIsConsumedByOneWait) {
    Event manual(Mode::Manual, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.IsSet());
    EXPECT_FALSE(manual.Wait(0));

    Event automatic(Mode::Auto);
    automatic.Set();
    automatic.Set();  // setting a set event changes nothing
    EXPECT_TRUE(automatic.IsSet());
    EXPECT_TRUE(automatic.IsSet());  // looking does not consume
    EXPECT_TRUE(automatic.Wait(0));
    EXPECT_FALSE(automatic.Wait(0));
    EXPECT_FALSE(automatic.IsSet());
}

TEST(Event, ManualSetReleasesEveryBlockedWaiter) {
    Event gate(Mode::Manual);
    std::atomic<int> passed{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            if (gate.Wait())
                ++passed;
        });
    gate.Set();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(passed, 4);
    EXPECT_TRUE(gate.IsSet());
}

TEST(Event, WaitAnyPrefersTheLowestSetIndexAndConsumesOnlyAutoEvents) {
    Event first(Mode::Auto), second(Mode::Manual), third(Mode::Auto);
    third.Set();
    second.Set();
    EXPECT_EQ(WaitAny({&first, &second, &third}, 0), 1);
    EXPECT_EQ(WaitAny({&first, &second, &third}, 0), 1);  // manual: still set
    second.Reset();
    EXPECT_EQ(WaitAny({&first, &second, &third}, 0), 2);
    EXPECT_FALSE(third.IsSet());
    EXPECT_EQ(WaitAny({&first, &second, &third}, 0), kWaitTimeout);
}

TEST(Event, WaitAnyWakesWhenAnotherThreadSetsALaterEvent) {
    Event exit(Mode::Manual), schedule(Mode::Auto);
    int result = kWaitTimeout;
    std::thread waiter([&] { result = WaitAny({&exit, &schedule}, kInfinite); });
    schedule.Set();
    waiter.join();
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(schedule.IsSet());
}

TEST(EventConcurrency, EachSetOfAnAutoEventReleasesExactlyOneWaiter) {
    Event event(Mode::Auto);
    Event stop(Mode::Manual);
    ReleaseCounter released;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        if (i % 2 == 0) {
            threads.emplace_back([&] {
                while (WaitAny({&stop, &event}, kInfinite) == 1)
                    released.Add();
            });
        } else {
            threads.emplace_back([&] {
                while (!stop.IsSet())
                    if (event.Wait(20))
                        released.Add();
            });
        }
    }
    constexpr int kSets = 300;
    for (int k = 1; k <= kSets; ++k) {
        event.Set();
        ASSERT_TRUE(released.WaitFor(k)) << "set " << k << " released nobody";
    }
    stop.Set();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(released.Count(), kSets);
    EXPECT_FALSE(event.IsSet());
}

TEST(EventConcurrency, ConcurrentSettersNeverLeaveAnAutoEventSetWhileWaitersSleep) {
    Event event(Mode::Auto);
    Event stop(Mode::Manual);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            while (WaitAny({&stop, &event}, kInfinite) == 1)
                ++released;
        });
    std::vector<std::thread> setters;
    for (int i = 0; i < 3; ++i)
        setters.emplace_back([&] {
            for (int k = 0; k < 500; ++k)
                event.Set();
        });
    for (auto& setter : setters)
        setter.join();
    // The last Set() must reach a sleeping waiter: the event ends up consumed.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (event.IsSet() && Clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_FALSE(event.IsSet());
    stop.Set();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_GE(released, 1);
    EXPECT_LE(released, 1500);
}

TEST(EventConcurrency, ListenersHearEverySetUntilRemoved) {
    Event event(Mode::Auto);
    CountingListener listener(event);
    event.AddListener(&listener);
    event.AddListener(&listener);  // added once only
    event.Set();
    EXPECT_EQ(listener.m_Calls, 1);
    EXPECT_EQ(listener.m_SawSet, 1);

    std::atomic<bool> running{true};
    std::thread setter([&] {
        while (running)
            event.Set();
    });
    while (listener.m_Calls < 100)
        std::this_thread::yield();
    event.RemoveListener(&listener);
    const int callsAtRemoval = listener.m_Calls;
    for (int k = 0; k < 1000; ++k)
        event.Set();
    running = false;
    setter.join();
    EXPECT_EQ(listener.m_Calls, callsAtRemoval);
}
