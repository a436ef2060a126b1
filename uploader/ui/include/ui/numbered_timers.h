#pragma once

// Timers known by the numbers the windows give them (1000 fade in, 1001 fade out, 2000
// user information, ...), each repeating until killed, all ticking on the owner's thread.

#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace ui {

class CNumberedTimers {
public:
    explicit CNumberedTimers(std::function<void(int id)> onTick);
    ~CNumberedTimers();
    CNumberedTimers(const CNumberedTimers&) = delete;
    CNumberedTimers& operator=(const CNumberedTimers&) = delete;

    // Starts the timer, or restarts it with the new period.
    void Start(int id, int periodMs);
    void Kill(int id);
    [[nodiscard]] bool IsActive(int id) const;

private:
    std::function<void(int)> m_OnTick;
    std::map<int, std::unique_ptr<QTimer>> m_Timers;
};

}  // namespace ui
