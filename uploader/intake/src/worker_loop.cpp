// The worker threads of the upload queue: each takes queued tasks one at a time, runs
// the upload driver on them, and pauses after each.

#include <string>
#include <utility>

#include "intake/queue.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/system.h"
#include "platform/text.h"
#include "queue_state.h"

namespace intake {
namespace queue_detail {
namespace {

enum class Take { QueueEmpty, Skipped, Taken };

// What a worker knows of the task it runs. The name never changes, so a copy taken with
// the task serves the log lines even after the task was freed.
struct RunningTask {
    UploadContext* task = nullptr;
    std::u16string name;
};

// Pops the front id. A task that is missing or not waiting is skipped; one whose driver
// still runs (paused and resumed quickly) is requeued by its worker when it returns.
Take TakeNext(QueueState& queue, RunningTask& taken) {
    std::lock_guard lock(queue.taskLock);
    if (queue.uploadRequest.empty())
        return Take::QueueEmpty;
    const int32_t id = queue.uploadRequest.front();
    queue.uploadRequest.pop_front();
    if (!queue.uploadRequest.empty())
        queue.scheduleEvent.Set();  // another idle worker takes the next one
    UploadContext* task = FindTaskLocked(id);
    if (!task || task->m_State != kTaskWaiting)
        return Take::Skipped;
    if (task->m_Running) {
        task->m_RunAgain = true;
        return Take::Skipped;
    }
    MoveTaskLocked(*task, kTaskUploading);
    task->m_Running = true;
    // Stops asked for from now on happen under the lock, after this reset.
    task->m_hStopEvent->Reset();
    taken = RunningTask{task, task->m_Name};
    return Take::Taken;
}

int RunDriver(QueueState& queue, UploadContext& task) {
    const UploadDriver driver = queue.library.Seam(&LibrarySeams::uploadDriver);
    if (driver)
        return driver(task);
    SetTaskState(task, kTaskFailed);  // no upload engine in this build
    NotifyTask(task.m_TaskId, task.m_hOwnerWnd);
    return -1;
}

enum class RunEnd { Kept, Retried, Freed };

// After the driver returned: the task was removed meanwhile and is now the worker's to
// free, or it is kept; a retry asked for while it ran is done now.
RunEnd FinishRun(QueueState& queue, UploadContext& task) {
    std::lock_guard lock(queue.taskLock);
    task.m_Running = false;
    if (task.m_Detached)
        return RunEnd::Freed;
    if (std::exchange(task.m_RetryAfterRun, false) && IsFailureState(task.m_State)) {
        task.m_RunAgain = false;
        RetryLocked(queue, task);
        return RunEnd::Retried;
    }
    if (task.m_RunAgain) {
        task.m_RunAgain = false;
        if (task.m_State == kTaskWaiting) {
            queue.uploadRequest.push_front(task.m_TaskId);
            queue.scheduleEvent.Set();
        } else if (task.m_State == kTaskPaused) {
            queue.pausedOrder.insert(queue.pausedOrder.begin(), task.m_TaskId);
        }
    }
    return RunEnd::Kept;
}

void RunTask(QueueState& queue, RunningTask& running, const std::u16string& threadText) {
    Log().Write(L4_INF, log_events::kSchedulUploadTask, true, {}, u"FileName = " + running.name,
                threadText);
    RunDriver(queue, *running.task);
    const int32_t id = running.task->m_TaskId;
    const platform::WindowHandle owner = running.task->m_hOwnerWnd;
    switch (FinishRun(queue, *running.task)) {
        case RunEnd::Freed:
            delete running.task;  // removed while uploading: no completion record
            return;
        case RunEnd::Retried:
            NotifyTask(id, owner);  // the row shows the retry the queue made
            break;
        case RunEnd::Kept:
            break;
    }
    Log().Write(L4_INF, log_events::kCompleteUploadTask, true, {}, u"FileName = " + running.name,
                threadText);
}

// Runs queued tasks one after another until the queue is empty or the library stops.
void RunQueuedTasks(QueueState& queue, const std::u16string& threadText) {
    for (bool first = true;; first = false) {
        RunningTask running;
        const Take take = TakeNext(queue, running);
        if (take == Take::QueueEmpty) {
            if (first)
                Log().Write(L5_TRC, log_events::kSchedulUploadTask, true, {},
                            u"g_UploadRequest is empty!", threadText);
            return;
        }
        if (take == Take::Skipped)
            continue;
        RunTask(queue, running, threadText);
        // The pause after each task; shutdown cuts it short.
        if (queue.exitEvent.Wait(static_cast<uint32_t>(queue.pauseAfterTaskMs.load())) ||
            queue.stopFlag)
            return;
    }
}

}  // namespace

void WorkerMain(QueueState& queue) {
    const std::u16string threadText =
        u"ThreadID = " + platform::Utf8ToWide(std::to_string(platform::CurrentThreadId()));
    while (!queue.stopFlag) {
        if (platform::WaitAny({&queue.scheduleEvent, &queue.exitEvent}, platform::kInfinite) == 1)
            break;
        RunQueuedTasks(queue, threadText);
    }
    Log().Write(L4_INF, log_events::kExitUploadThread, true, {}, threadText);
}

}  // namespace queue_detail
}  // namespace intake
