#pragma once

// Windows-style events on mutexes and condition variables.
//
// A manual-reset event stays set until Reset(); every waiter passes. An auto-reset
// event lets exactly one waiter pass per Set() and resets itself as that waiter passes,
// whether the waiters use Wait() or WaitAny(). Setting an event that is already set
// changes nothing.
// WaitAny() waits on several events at once, like WaitForMultipleObjects with
// bWaitAll = FALSE: it returns the index of the first set event in the list (consuming
// it when it is auto-reset), or kWaitTimeout.
//
// Listeners let other waiting mechanisms (a curl multi handle, a poll loop) be woken
// when an event is set: Notify() is called on the setting thread, outside the event's
// state lock, after the event became set. Notify() must not add or remove listeners of
// the same event, nor set an event whose listeners could set this one again (the
// listener lock is held while notifying). Once RemoveListener() returned, the listener
// is never called again.
//
// Time-outs are measured on the steady clock. An event must outlive every wait on it.

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
    // True when the event was set within timeoutMs (kInfinite waits for ever); consumes
    // an auto-reset event.
    [[nodiscard]] bool Wait(uint32_t timeoutMs = kInfinite);

    void AddListener(EventListener* listener);
    void RemoveListener(EventListener* listener);

private:
    friend int WaitAny(std::span<Event* const> events, uint32_t timeoutMs);
    struct Waiter;
    bool TryConsumeLocked();
    // Index of the first set event, consuming it when auto-reset; kWaitTimeout if none.
    static int ConsumeFirstSet(std::span<Event* const> events);
    void AddWaiter(Waiter* waiter);
    void RemoveWaiter(Waiter* waiter);

    const ResetMode m_Mode;
    mutable std::mutex m_Lock;  // guards m_Set and m_Waiters
    bool m_Set;
    std::vector<Waiter*> m_Waiters;           // threads blocked in Wait() or WaitAny()
    std::mutex m_ListenerLock;                // guards m_Listeners, held while notifying
    std::vector<EventListener*> m_Listeners;  // woken by Set()
};

// Index of the first set event (lowest index wins when several are set), or kWaitTimeout.
// An empty list gives kWaitTimeout at once.
int WaitAny(std::span<Event* const> events, uint32_t timeoutMs);
int WaitAny(std::initializer_list<Event*> events, uint32_t timeoutMs);

}  // namespace platform
