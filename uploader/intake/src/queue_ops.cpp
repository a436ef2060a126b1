#include <algorithm>

#include "intake/filter.h"
#include "intake/intake_state.h"
#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/event.h"
#include "queue_state.h"

namespace intake {
namespace queue_detail {

void EnqueueLocked(QueueState& queue, int32_t id) {
    queue.uploadRequest.push_back(id);
    queue.scheduleEvent.Set();
}

void RemoveLocked(QueueState& queue,
                  std::map<int32_t, std::unique_ptr<UploadContext>>::iterator it) {
    UploadContext& task = *it->second;
    if (task.m_Running) {
        task.m_State = kTaskCancelled;
        task.m_Detached = true;
        PulseStopEvent(task);
        it->second.release();  // NOLINT: ownership passes to the worker that runs it
    }
    queue.tasks.erase(it);
}

}  // namespace queue_detail

using namespace queue_detail;

int32_t AddUploadRequest(std::u16string dir, std::u16string name) {
    if (IsRefusedPath(dir + u'/' + name))
        return 0;
    auto task = CreateUploadContext(dir, name, MainWindow(), kAccountUpload);
    const int32_t id = task->m_TaskId;
    QueueState& queue = Queue();
    {
        std::lock_guard lock(queue.taskLock);
        InsertTaskLocked(std::move(task));
        // Refused records (6, 7) are queued too; the workers pass over them.
        EnqueueLocked(queue, id);
    }
    QueueTaskChange(id);
    return id;
}

int32_t AddRestoredTask(std::u16string dir, std::u16string name, int32_t state) {
    // Restored tasks report to the main window like any other: without an owner, a task
    // queued again would upload with its row stuck at "waiting" and never be counted.
    auto task = CreateUploadContext(dir, name, MainWindow(), kAccountUpload);
    const int32_t id = task->m_TaskId;
    task->m_State = state;
    QueueState& queue = Queue();
    {
        std::lock_guard lock(queue.taskLock);
        UploadContext* restored = InsertTaskLocked(std::move(task));
        if (restored && (state == kTaskWaiting || state == kTaskUploading)) {
            restored->m_State = kTaskWaiting;
            EnqueueLocked(queue, id);
        }
    }
    QueueTaskChange(id);
    return id;
}

void RemoveTask(int32_t id) {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.taskLock);
    // The id may stay in the queue; a worker that takes it finds no record.
    if (const auto found = queue.tasks.find(id); found != queue.tasks.end())
        RemoveLocked(queue, found);
}

void RetryTask(int32_t id) {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.taskLock);
    UploadContext* task = FindTaskLocked(id);
    if (!task || task->m_Running)
        return;  // a second run of the same record would race with the first
    task->m_TransferStatus = 0;
    task->m_hStopEvent = std::make_unique<platform::Event>(platform::Event::ResetMode::Manual);
    task->m_State = kTaskWaiting;
    queue.uploadRequest.push_back(id);
    // A retried task runs in the order it was first added, among the waiting ones.
    std::sort(queue.uploadRequest.begin(), queue.uploadRequest.end());
    queue.scheduleEvent.Set();
}

void PauseAll() {
    QueueState& queue = Queue();
    {
        std::lock_guard lock(queue.taskLock);
        auto& order = queue.pausedOrder;
        order.insert(order.end(), queue.uploadRequest.begin(), queue.uploadRequest.end());
        queue.uploadRequest.clear();
        for (auto& [id, task] : queue.tasks) {
            if (task->m_State == kTaskUploading) {
                task->m_State = kTaskPaused;
                PulseStopEvent(*task);
                // Uploading tasks resume first; of several, the highest id leads.
                order.insert(order.begin(), id);
            } else if (task->m_State == kTaskWaiting) {
                task->m_State = kTaskPaused;
            }
        }
    }
    IntakeUi().RepaintWindows();
}

void ResumeAll() {
    QueueState& queue = Queue();
    {
        std::lock_guard lock(queue.taskLock);
        for (auto& [id, task] : queue.tasks) {
            if (task->m_State == kTaskPaused)
                task->m_State = kTaskWaiting;
        }
        queue.uploadRequest.insert(queue.uploadRequest.end(), queue.pausedOrder.begin(),
                                   queue.pausedOrder.end());
        queue.pausedOrder.clear();
        queue.scheduleEvent.Set();
    }
    IntakeUi().RepaintWindows();
}

void StopAllTasks() {
    QueueState& queue = Queue();
    {
        std::lock_guard lock(queue.taskLock);
        queue.uploadRequest.clear();
        queue.pausedOrder.clear();
        while (!queue.tasks.empty())
            RemoveLocked(queue, queue.tasks.begin());
    }
    std::lock_guard lock(queue.progressLock);
    queue.progressQueue.clear();
}

size_t QueuedTaskCount() {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.taskLock);
    return queue.uploadRequest.size();
}

}  // namespace intake
