// The life cycle of the upload queue: its workers and list saver start and stop here.

#include <functional>
#include <thread>
#include <utility>

#include "intake/library.h"
#include "intake/queue.h"
#include "queue_state.h"

namespace intake {
namespace queue_detail {

QueueState& Queue() {
    return Library().Queue();
}

}  // namespace queue_detail

using namespace queue_detail;

void StartQueue(int workers) {
    QueueState& queue = Queue();
    std::lock_guard lock(queue.workersLock);
    if (!queue.workers.empty())
        return;
    queue.stopFlag = false;
    queue.exitEvent.Reset();
    settings::AbortEvent().Reset();
    StartTaskListSaver();
    for (int i = 0; i < workers; ++i)
        queue.workers.emplace_back(WorkerMain, std::ref(queue));
    queue.uiReady = true;
    std::lock_guard taskLock(queue.taskLock);
    if (!queue.uploadRequest.empty())
        queue.scheduleEvent.Set();
}

void BeginShutdown() {
    QueueState& queue = Queue();
    queue.uiReady = false;
    queue.stopFlag = true;
    queue.exitEvent.Set();
    settings::AbortEvent().Set();
    StopAllTasks();
    // An orderly end drops the tasks unless the exit's save wrote them first (then the
    // saver writes nothing more); only a crash leaves the last running list behind.
    EndTaskListSaving();
}

void StopQueue() {
    BeginShutdown();
    QueueState& queue = Queue();
    std::lock_guard lock(queue.workersLock);
    for (std::thread& worker : queue.workers)
        worker.join();
    queue.workers.clear();
    JoinTaskListSaver();
}

bool IsShuttingDown() {
    return Queue().stopFlag;
}

void SetUploadDriver(UploadDriver driver) {
    Library().SetSeam(&LibrarySeams::uploadDriver, std::move(driver));
}

bool HasUploadDriver() {
    return static_cast<bool>(Library().Seam(&LibrarySeams::uploadDriver));
}

void SetPauseAfterTask(std::chrono::milliseconds pause) {
    Queue().pauseAfterTaskMs = pause.count();
}

}  // namespace intake
