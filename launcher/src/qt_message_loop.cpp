#include "launcher/qt_message_loop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <utility>

#include "platform/window.h"

namespace launcher {
namespace {

// One posted task.
class CTaskEvent final : public QEvent {
public:
    explicit CTaskEvent(std::function<void()> task) : QEvent(Type()), m_Task(std::move(task)) {}

    static QEvent::Type Type() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    void Run() { m_Task(); }

private:
    std::function<void()> m_Task;
};

}  // namespace

CQtMessageLoop::CQtMessageLoop(QObject* parent) : QObject(parent) { (void)CTaskEvent::Type(); }

CQtMessageLoop::~CQtMessageLoop() {
    // Before the object goes: afterwards the window layer never posts to it again, and the
    // events still queued are deleted with it.
    platform::DetachMessageLoop(*this);
}

void CQtMessageLoop::Post(std::function<void()> task) {
    QCoreApplication::postEvent(this, new CTaskEvent(std::move(task)));
}

bool CQtMessageLoop::IsLoopThread() const { return QThread::currentThread() == thread(); }

bool CQtMessageLoop::event(QEvent* event) {
    if (event->type() != CTaskEvent::Type())
        return QObject::event(event);
    static_cast<CTaskEvent*>(event)->Run();
    return true;
}

}  // namespace launcher
