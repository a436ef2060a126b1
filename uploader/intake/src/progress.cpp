#include "intake/intake_state.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "queue_state.h"

namespace intake {

using namespace queue_detail;

namespace {

// One message wakes the main window for every id queued until it has emptied the queue:
// five uploads reporting every 128 KiB would otherwise flood its event loop with messages
// that find nothing left to do.
void QueueForMainWindow(QueueState& queue, int32_t id, platform::WindowHandle main) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(queue.progressLock);
        wasEmpty = queue.progressQueue.empty();
        queue.progressQueue.push_back(id);
    }
    if (wasEmpty)
        platform::PostMessage(main, WM_TASK_CHANGED, 0, 0);
}

}  // namespace

void QueueTaskChange(int32_t id) {
    QueueState& queue = Queue();
    const platform::WindowHandle main = MainWindow();
    if (!queue.uiReady || main == platform::kNoWindow || !platform::IsWindow(main))
        return;
    QueueForMainWindow(queue, id, main);
}

void NotifyTask(int32_t id, platform::WindowHandle wnd) {
    if (wnd == platform::kNoWindow || !platform::IsWindow(wnd))
        return;
    QueueState& queue = Queue();
    if (wnd == MainWindow() && queue.uiReady)
        QueueForMainWindow(queue, id, wnd);
    else
        platform::PostMessage(wnd, WM_TASK_CHANGED, 0, id);
}

bool PopChangedTask(int32_t& id) {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.progressLock);
    if (queue.progressQueue.empty())
        return false;
    id = queue.progressQueue.front();
    queue.progressQueue.pop_front();
    return true;
}

}  // namespace intake
