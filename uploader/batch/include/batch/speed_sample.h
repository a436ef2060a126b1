#pragma once

// Speed and remaining time of a batch, sampled at most once a second: bytes added since
// the last sample over the whole seconds that passed. The remaining time is capped at
// 100 hours and is 0 when fewer than 500 bytes are left; an absurd speed (above 1 GB/s,
// a fast upload that "sent" a whole file at once) counts as 0.

#include <cstdint>
#include <functional>

namespace batch {

// Milliseconds of a steady clock.
using TickClock = std::function<uint64_t()>;
uint64_t SteadyTickMs();

inline constexpr uint64_t kMaxRemainingSeconds = 360000;
inline constexpr uint64_t kAbsurdSpeed = 1000000000;

class CSpeedSample {
public:
    explicit CSpeedSample(TickClock clock = &SteadyTickMs);

    // Starts sampling now from the bytes already done.
    void Restart(uint64_t bytesDone);
    // The speed in bytes per second with `done` of `total` bytes; `keepLast` (the running
    // file is in a fast upload, or done) keeps the last values.
    uint64_t Sample(uint64_t done, uint64_t total, bool keepLast = false);
    uint64_t Speed() const { return m_Speed; }
    uint64_t RemainingSeconds() const { return m_Remaining; }

private:
    TickClock m_Clock;
    uint64_t m_LastTick = 0;
    uint64_t m_LastBytes = 0;
    uint64_t m_Speed = 0;
    uint64_t m_Remaining = 0;
};

}  // namespace batch
