#include <algorithm>

#include "intake/filter.h"
#include "intake/intake_state.h"
#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "intake/task_list_saver.h"
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
    MarkTaskListChanged();
    if (task.m_Running) {
        MoveTaskLocked(task, kTaskCancelled);
        task.m_Detached = true;
        PulseStopEvent(task);
        it->second.release();  // NOLINT: ownership passes to the worker that runs it
    }
    queue.tasks.erase(it);
}

void RetryLocked(QueueState& queue, UploadContext& task) {
    task.m_TransferStatus = 0;
    task.m_hStopEvent = std::make_unique<platform::Event>(platform::Event::ResetMode::Manual);
    MoveTaskLocked(task, kTaskWaiting);
    queue.uploadRequest.push_back(task.m_TaskId);
    // A retried task runs in the order it was first added, among the waiting ones.
    std::sort(queue.uploadRequest.begin(), queue.uploadRequest.end());
    queue.scheduleEvent.Set();
}

}  // namespace queue_detail

using namespace queue_detail;

int32_t AddUploadRequest(std::u16string dir, std::u16string name) {
    // The name becomes the remote path below the received-files folder, sub-folders and all.
    if (HoldsControlCharacter(name) || IsRefusedPath(dir + u'/' + name))
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
    MarkTaskListChanged();
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
        if (restored && IsQueuedOnRestore(state)) {
            restored->m_State = kTaskWaiting;
            EnqueueLocked(queue, id);
        }
    }
    MarkTaskListChanged();
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

RetryOutcome RetryTask(int32_t id) {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.taskLock);
    UploadContext* task = FindTaskLocked(id);
    if (!task || !IsFailureState(task->m_State))
        return RetryOutcome::Refused;
    if (task->m_Running) {
        // A second run of the same record would race with the first: its worker retries
        // it when the run returns.
        task->m_RetryAfterRun = true;
        return RetryOutcome::WhenRunReturns;
    }
    RetryLocked(queue, *task);
    return RetryOutcome::Queued;
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
                MoveTaskLocked(*task, kTaskPaused);
                PulseStopEvent(*task);
                // Uploading tasks resume first; of several, the highest id leads.
                order.insert(order.begin(), id);
            } else if (task->m_State == kTaskWaiting) {
                MoveTaskLocked(*task, kTaskPaused);
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
                MoveTaskLocked(*task, kTaskWaiting);
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
