#pragma once

// Windows-style events on a mutex and a condition variable.
//
// A manual-reset event stays set until Reset(); every waiter passes. An auto-reset
// event lets exactly one waiter pass per Set() and resets itself as that waiter passes.
// WaitAny() waits on several events at once, like WaitForMultipleObjects with
// bWaitAll = FALSE: it returns the index of the first set event in the list (consuming
// it when it is auto-reset), or kWaitTimeout.
//
// Listeners let other waiting mechanisms (a curl multi handle, a poll loop) be woken
// when an event is set: Notify() is called on the setting thread, outside the event's
// lock, after the event became set.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

namespace platform {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;  // wait without a time-out
inline constexpr int kWaitTimeout = -1;             // WaitAny(): no event was set in time

class EventListener {
public:
    virtual void Notify() = 0;

protected:
    ~EventListener() = default;
};

class Event {
public:
    enum class ResetMode { Manual, Auto };

    explicit Event(ResetMode mode, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // True when the event is set now; does not consume an auto-reset event.
    [[nodiscard]] bool IsSet() const;
    // True when the event was set within timeoutMs (kInfinite waits for ever).
    [[nodiscard]] bool Wait(uint32_t timeoutMs = kInfinite);

    void AddListener(EventListener* listener);
    void RemoveListener(EventListener* listener);

private:
    friend int WaitAny(std::span<Event* const> events, uint32_t timeoutMs);
    struct Waiter;
    bool TryConsumeLocked();

    const ResetMode m_Mode;
    mutable std::mutex m_Lock;
    bool m_Set;
    std::vector<Waiter*> m_Waiters;          // WaitAny() callers blocked on this event
    std::vector<EventListener*> m_Listeners;  // woken by Set()
};

// Index of the first set event (lowest index wins when several are set), or kWaitTimeout.
int WaitAny(std::span<Event* const> events, uint32_t timeoutMs);
int WaitAny(std::initializer_list<Event*> events, uint32_t timeoutMs);

}  // namespace platform
