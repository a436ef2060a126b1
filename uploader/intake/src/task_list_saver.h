#pragma once

// The saver thread of the saved task list (intake/task_list_saver.h), run with the queue.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "intake/task_list.h"

namespace intake::queue_detail {

struct TaskListSaver {
    // Held while a list is taken and written, and while `armed` changes, so that no write
    // of an older list lands after the exit's save or the shutdown's last one. Never taken
    // with the task lock held.
    std::mutex writeLock;
    std::mutex lock;  // guards what follows, except the atomics
    std::condition_variable wake;
    std::atomic<bool> dirty{false};
    bool armed = false;  // writes may replace the file at `path`
    bool stop = true;    // no thread runs, or it was told to end
    std::u16string path;
    std::optional<std::vector<CTask>> last;  // the list at shutdown, written before the end
    std::thread thread;
    std::atomic<int64_t> delayMs{1000};
    std::atomic<size_t> writes{0};
};

enum class SaverPhase { Off, WaitingForRestore, Armed };

// The saver of the queue's life cycle: started with the queue, unarmed.
void StartTaskListSaver();
// Asks it to end after writing the list as it is now (when armed), on its own thread.
// Safe to call more than once.
void EndTaskListSaving();
// EndTaskListSaving, then waits for the thread.
void JoinTaskListSaver();
SaverPhase TaskListSaverPhase();
// The saved list was restored: from now on changes are written to `path`, the first soon.
void ArmTaskListSaver(const std::u16string& path);
// The exit's save: writes the list now, on the calling thread, as the saver's last write.
bool SaveTaskListNow(const std::u16string& path);

// The tasks of the map in ascending id order, copied under the task lock.
std::vector<CTask> SnapshotTasks();
// Replaces the file with the list; false when it could not be written (logged).
bool WriteTaskList(const std::u16string& path, const std::vector<CTask>& tasks);

}  // namespace intake::queue_detail
