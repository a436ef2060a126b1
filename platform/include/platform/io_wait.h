#pragma once

// Blocking waits on sockets and FIFOs (packet_socket.h, fifo_event.h) that another thread
// can cut short.

#include <chrono>
#include <cstdint>

namespace platform {

// A time-out turned into a point in time on the steady clock, for code that waits in
// several steps. A deadline made from kInfinite (platform/event.h) never passes.
class Deadline {
public:
    explicit Deadline(uint32_t timeoutMs);
    // What is left for the next wait: 0 once passed, kInfinite for a deadline that never
    // passes.
    [[nodiscard]] uint32_t MillisecondsLeft() const;
    [[nodiscard]] bool Passed() const { return MillisecondsLeft() == 0; }

private:
    bool m_Forever;
    std::chrono::steady_clock::time_point m_End;
};

enum class WaitResult {
    Ready,      // the awaited thing happened
    TimedOut,   // the time-out passed first
    Cancelled,  // the cancel signal was set
    Failed,     // a system error; the object is unusable
};

// A manual-reset signal that every wait given it also watches: setting it ends those waits
// with WaitResult::Cancelled, now and until Reset(). Thread-safe.
class CancelSignal {
public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    void Set();
    void Reset();
    [[nodiscard]] bool IsSet() const;
    // True when the signal is set within timeoutMs (kInfinite waits for ever).
    [[nodiscard]] bool Wait(uint32_t timeoutMs) const;

    // The descriptor the waits of this layer poll; readable while the signal is set.
    int NativeHandle() const { return m_Fd; }

private:
    int m_Fd = -1;
};

}  // namespace platform
