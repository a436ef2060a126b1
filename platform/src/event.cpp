#include "platform/event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

namespace platform {

// One thread blocked in Wait() or WaitAny(). Each event it waits on holds it in its
// m_Waiters and raises `woken` on Set(); the thread then looks at its events again, in
// order. An auto-reset event is consumed under its own lock, so however many threads
// are woken by one Set(), exactly one of them passes.
struct Event::Waiter {
    std::mutex lock;
    std::condition_variable wake;
    bool woken = false;  // some event of the list was set since the last look
};

Event::Event(ResetMode mode, bool initiallySet) : m_Mode(mode), m_Set(initiallySet) {}

Event::~Event() = default;

void Event::Set() {
    {
        std::lock_guard guard(m_Lock);
        m_Set = true;
        for (Waiter* waiter : m_Waiters) {
            std::lock_guard waiterGuard(waiter->lock);
            waiter->woken = true;
            waiter->wake.notify_one();
        }
    }
    std::lock_guard guard(m_ListenerLock);
    for (EventListener* listener : m_Listeners)
        listener->Notify();
}

void Event::Reset() {
    std::lock_guard guard(m_Lock);
    m_Set = false;
}

bool Event::IsSet() const {
    std::lock_guard guard(m_Lock);
    return m_Set;
}

bool Event::Wait(uint32_t timeoutMs) {
    Event* const self = this;
    return WaitAny(std::span<Event* const>(&self, 1), timeoutMs) == 0;
}

void Event::AddListener(EventListener* listener) {
    std::lock_guard guard(m_ListenerLock);
    if (std::find(m_Listeners.begin(), m_Listeners.end(), listener) == m_Listeners.end())
        m_Listeners.push_back(listener);
}

void Event::RemoveListener(EventListener* listener) {
    std::lock_guard guard(m_ListenerLock);
    std::erase(m_Listeners, listener);
}

bool Event::TryConsumeLocked() {
    if (!m_Set)
        return false;
    if (m_Mode == ResetMode::Auto)
        m_Set = false;
    return true;
}

void Event::AddWaiter(Waiter* waiter) {
    std::lock_guard guard(m_Lock);
    m_Waiters.push_back(waiter);
}

void Event::RemoveWaiter(Waiter* waiter) {
    std::lock_guard guard(m_Lock);
    std::erase(m_Waiters, waiter);
}

int Event::ConsumeFirstSet(std::span<Event* const> events) {
    for (size_t i = 0; i < events.size(); ++i) {
        std::lock_guard guard(events[i]->m_Lock);
        if (events[i]->TryConsumeLocked())
            return static_cast<int>(i);
    }
    return kWaitTimeout;
}

int WaitAny(std::span<Event* const> events, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    int result = Event::ConsumeFirstSet(events);
    if (result != kWaitTimeout || timeoutMs == 0 || events.empty())
        return result;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Event::Waiter waiter;
    for (Event* event : events)
        event->AddWaiter(&waiter);
    for (;;) {
        // Clearing the flag before looking means a Set() after the look is never missed.
        {
            std::lock_guard guard(waiter.lock);
            waiter.woken = false;
        }
        result = Event::ConsumeFirstSet(events);
        if (result != kWaitTimeout)
            break;
        std::unique_lock lock(waiter.lock);
        const auto woken = [&waiter] { return waiter.woken; };
        if (timeoutMs == kInfinite)
            waiter.wake.wait(lock, woken);
        else if (!waiter.wake.wait_until(lock, deadline, woken))
            break;  // nothing was set since the last look
    }
    for (Event* event : events)
        event->RemoveWaiter(&waiter);
    return result;
}

int WaitAny(std::initializer_list<Event*> events, uint32_t timeoutMs) {
    return WaitAny(std::span<Event* const>(events.begin(), events.size()), timeoutMs);
}

}  // namespace platform
