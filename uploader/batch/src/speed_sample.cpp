#include "batch/speed_sample.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace batch {

uint64_t SteadyTickMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

CSpeedSample::CSpeedSample(TickClock clock) : m_Clock(std::move(clock)) {
    m_LastTick = m_Clock();
}

void CSpeedSample::Restart(uint64_t bytesDone) {
    m_LastTick = m_Clock();
    m_LastBytes = bytesDone;
    m_Speed = 0;
    m_Remaining = 0;
}

uint64_t CSpeedSample::Sample(uint64_t done, uint64_t total, bool keepLast) {
    const uint64_t now = m_Clock();
    const uint64_t elapsed = now - m_LastTick;
    if (elapsed <= 1000 || done == m_LastBytes || keepLast)
        return m_Speed;
    if (done < m_LastBytes) {  // a file counted again from its start: a new base
        m_LastTick = now;
        m_LastBytes = done;
        return m_Speed;
    }
    uint64_t speed = (done - m_LastBytes) / (elapsed / 1000);
    if (speed > kAbsurdSpeed)
        speed = 0;
    const uint64_t left = total > done ? total - done : 0;
    if (speed != 0)
        m_Remaining = left < 500 ? 0 : std::min(left / speed, kMaxRemainingSeconds);
    m_Speed = speed;
    m_LastTick = now;
    m_LastBytes = done;
    return m_Speed;
}

}  // namespace batch
