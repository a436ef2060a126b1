#include "ui/numbered_timers.h"

#include <QTimer>
#include <utility>

namespace ui {

CNumberedTimers::CNumberedTimers(std::function<void(int id)> onTick)
    : m_OnTick(std::move(onTick)) {}

CNumberedTimers::~CNumberedTimers() = default;

void CNumberedTimers::Start(int id, int periodMs) {
    auto& timer = m_Timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] { m_OnTick(id); });
    }
    timer->start(periodMs);
}

void CNumberedTimers::Kill(int id) {
    if (const auto found = m_Timers.find(id); found != m_Timers.end())
        found->second->stop();
}

bool CNumberedTimers::IsActive(int id) const {
    const auto found = m_Timers.find(id);
    return found != m_Timers.end() && found->second->isActive();
}

}  // namespace ui
