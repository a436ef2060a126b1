#include "platform/qt_message_loop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <utility>

#include "platform/window.h"

namespace platform {
namespace {

QEvent::Type TaskEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// One posted task; destroying an event that never ran drops its task.
class CTaskEvent final : public QEvent {
public:
    explicit CTaskEvent(std::function<void()> task)
        : QEvent(TaskEventType()), m_Task(std::move(task)) {}
    void Run() { std::exchange(m_Task, nullptr)(); }

private:
    std::function<void()> m_Task;
};

}  // namespace

CQtMessageLoop::CQtMessageLoop() = default;

CQtMessageLoop::~CQtMessageLoop() {
    DetachMessageLoop(*this);
}

void CQtMessageLoop::Post(std::function<void()> task) {
    // postEvent is thread-safe and takes ownership of the event.
    QCoreApplication::postEvent(this, new CTaskEvent(std::move(task)));
}

bool CQtMessageLoop::IsLoopThread() const {
    return QThread::currentThread() == thread();
}

void CQtMessageLoop::customEvent(QEvent* event) {
    if (event->type() == TaskEventType())
        static_cast<CTaskEvent*>(event)->Run();
}

}  // namespace platform
