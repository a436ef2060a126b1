#include "task_list_saver.h"

#include <utility>

#include "intake/task_list_saver.h"
#include "queue_state.h"

namespace intake {
namespace queue_detail {
namespace {

TaskListSaver& Saver() {
    return Queue().saver;
}

// With the write lock held: the current list, when the saver may still write.
void WriteCurrentList(TaskListSaver& saver) {
    std::lock_guard write(saver.writeLock);
    std::u16string path;
    {
        std::lock_guard lock(saver.lock);
        if (!saver.armed)
            return;  // the exit's save or the shutdown's list came first
        path = saver.path;
    }
    WriteTaskList(path, SnapshotTasks());
    ++saver.writes;
}

void SaverMain(TaskListSaver& saver) {
    std::unique_lock lock(saver.lock);
    for (;;) {
        saver.wake.wait(lock, [&] { return saver.stop || (saver.armed && saver.dirty); });
        if (saver.stop)
            break;
        // The changes made until the delay ends go into the same write.
        saver.wake.wait_for(lock, std::chrono::milliseconds(saver.delayMs.load()),
                            [&] { return saver.stop; });
        if (saver.stop)
            break;
        saver.dirty = false;
        lock.unlock();
        WriteCurrentList(saver);
        lock.lock();
    }
    std::optional<std::vector<CTask>> last = std::exchange(saver.last, std::nullopt);
    const std::u16string path = saver.path;
    lock.unlock();
    if (last) {
        WriteTaskList(path, *last);
        ++saver.writes;
    }
}

}  // namespace

void StartTaskListSaver() {
    TaskListSaver& saver = Saver();
    if (saver.thread.joinable())
        JoinTaskListSaver();
    {
        std::lock_guard write(saver.writeLock);
        std::lock_guard lock(saver.lock);
        saver.armed = false;
        saver.stop = false;
        saver.dirty = false;
        saver.path.clear();
        saver.last.reset();
    }
    saver.thread = std::thread(SaverMain, std::ref(saver));
}

void EndTaskListSaving() {
    TaskListSaver& saver = Saver();
    std::lock_guard write(saver.writeLock);
    {
        std::lock_guard lock(saver.lock);
        if (saver.stop)
            return;
    }
    // Taken before the lock of the saver: the task lock is never taken inside it.
    std::optional<std::vector<CTask>> last;
    if (TaskListSaverPhase() == SaverPhase::Armed)
        last = SnapshotTasks();
    {
        std::lock_guard lock(saver.lock);
        saver.armed = false;
        saver.stop = true;
        saver.last = std::move(last);
    }
    saver.wake.notify_all();
}

void JoinTaskListSaver() {
    EndTaskListSaving();
    TaskListSaver& saver = Saver();
    if (saver.thread.joinable())
        saver.thread.join();
}

SaverPhase TaskListSaverPhase() {
    TaskListSaver& saver = Saver();
    std::lock_guard lock(saver.lock);
    if (saver.stop)
        return SaverPhase::Off;
    return saver.armed ? SaverPhase::Armed : SaverPhase::WaitingForRestore;
}

void ArmTaskListSaver(const std::u16string& path) {
    TaskListSaver& saver = Saver();
    std::lock_guard write(saver.writeLock);
    {
        std::lock_guard lock(saver.lock);
        if (saver.stop || path.empty())
            return;
        saver.armed = true;
        saver.path = path;
        saver.dirty = true;  // the restored tasks and any added before
    }
    saver.wake.notify_all();
}

bool SaveTaskListNow(const std::u16string& path) {
    TaskListSaver& saver = Saver();
    std::lock_guard write(saver.writeLock);
    {
        std::lock_guard lock(saver.lock);
        saver.armed = false;  // this is the list the run ends with
    }
    return WriteTaskList(path, SnapshotTasks());
}

}  // namespace queue_detail

void MarkTaskListChanged() {
    queue_detail::TaskListSaver& saver = queue_detail::Saver();
    if (saver.dirty.exchange(true))
        return;  // the saver was told already
    std::lock_guard lock(saver.lock);
    saver.wake.notify_all();
}

void SetTaskListSaveDelay(std::chrono::milliseconds delay) {
    queue_detail::Saver().delayMs = delay.count();
}

size_t TaskListWrites() {
    return queue_detail::Saver().writes;
}

}  // namespace intake
