#pragma once

// The skeleton of an upload batch (share link, Weibo post): the batch owns one task
// record per file (they never enter the process-wide task map or the request queue) and
// uploads them one after another on a thread of its own with the per-file driver. After
// a pass the thread stays for work the batch hands it (making the link), until it is
// stopped.
//
//   waiting (1) --worker--> uploading (2) --driver--> complete (3) | failed (5..14)
//                                 \--stop--> cancelled (8): the task leaves the batch
//
// Pausing holds the worker before its next file; the running file goes on. Stopping
// cancels the running file through its stop event. The destructor stops the worker and
// waits for it, however long the driver takes to return, so that nothing the worker
// uses is freed while it runs.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "intake/request_entry.h"
#include "intake/upload_context.h"
#include "platform/window.h"

namespace batch {

// Runs one file; returns 0 when it ended complete, else the engine's code.
using FileDriver = std::function<int(intake::UploadContext&)>;

// What the window shows of one task, copied under the batch's lock.
struct BatchTaskInfo {
    int32_t id = 0;
    int32_t state = 0;
    std::u16string name;      // the request entry's name (may hold sub-folders)
    std::u16string fileName;  // its last component
    uint64_t size = 0;
    std::u16string remotePath;  // "kdw_path" of a finished upload
    int result = 0;             // the driver's result once it ran
};

struct BatchWorkerOptions {
    FileDriver driver;  // default: upload::UploadFile
    std::chrono::milliseconds pauseBetweenFiles{100};
};

class CBatchWorker {
public:
    // Called on the worker thread with the batch's lock held, once per file the driver
    // ran (result 0: complete); the task is still in the batch.
    using FileDone = std::function<void(const intake::UploadContext& task, int result)>;

    // One task per entry, for the owner window, of the upload kind (1 anonymous,
    // 2 account). The thread starts with Start().
    CBatchWorker(const intake::RequestBatch& requests, platform::WindowHandle owner,
                 int32_t uploadKind, FileDone fileDone, BatchWorkerOptions options = {});
    // Stop(), then waits for the worker to end.
    ~CBatchWorker();
    CBatchWorker(const CBatchWorker&) = delete;
    CBatchWorker& operator=(const CBatchWorker&) = delete;

    // Starts the worker (once).
    void Start();
    // Ends the worker: the running file is cancelled (8) and told to stop; pending work
    // is dropped. Does not wait.
    void Stop();
    // Holds the worker before its next file, or lets it go on.
    void Pause(bool paused);
    bool IsPaused() const;
    // Runs the work on the worker thread once its passes are over (unless stopped).
    void Post(std::function<void()> work);

    std::mutex& Lock() const { return m_Lock; }
    // The rest: with Lock() held.
    const std::map<int32_t, std::unique_ptr<intake::UploadContext>>& TasksLocked() const {
        return m_Tasks;
    }
    const std::vector<int32_t>& FailedLocked() const { return m_Failed; }
    int32_t CurrentTaskLocked() const { return m_Current; }
    size_t FileCountLocked() const { return m_FileCount; }
    size_t DoneCountLocked() const { return m_DoneCount; }
    uint64_t TotalBytesLocked() const { return m_TotalBytes; }
    // Bytes of the finished files and of the running one.
    uint64_t BytesDoneLocked() const;
    bool StoppedLocked() const { return m_Stop; }
    bool PausedLocked() const { return m_Paused; }
    BatchTaskInfo InfoLocked(const intake::UploadContext& task) const;

    // Copies, taking the lock.
    std::vector<BatchTaskInfo> Tasks() const;
    std::vector<BatchTaskInfo> FailedTasks() const;
    // The running task (state 2 while it uploads), or none (id 0).
    BatchTaskInfo Current() const;
    bool IsStopped() const;
    // True while the worker thread runs (started and not yet ended).
    bool IsRunning() const;

private:
    void Run();
    bool RunOneFile();
    intake::UploadContext* NextWaitingLocked();
    void RecordLocked(intake::UploadContext& task, int result);
    bool WaitBetweenFiles();
    void RunPostedWork();

    mutable std::mutex m_Lock;
    std::condition_variable m_Wake;
    std::map<int32_t, std::unique_ptr<intake::UploadContext>> m_Tasks;
    // What the driver left of each task it ran (result, remote path), copied on the
    // worker thread once it returned, so the window never reads a record being written.
    std::map<int32_t, BatchTaskInfo> m_Results;
    std::vector<int32_t> m_Failed;
    std::deque<std::function<void()>> m_Work;
    platform::WindowHandle m_Owner;
    FileDone m_FileDone;
    BatchWorkerOptions m_Options;
    size_t m_FileCount = 0;
    size_t m_DoneCount = 0;
    uint64_t m_TotalBytes = 0;
    uint64_t m_FinishedBytes = 0;
    int32_t m_Current = -1;
    bool m_Stop = false;
    bool m_Paused = false;
    bool m_Running = false;
    std::thread m_Thread;
};

// Sets a batch task's state: the one place a batch changes the state of its tasks.
// Cancelling (8) always wins; no other state overwrites a cancellation.
void SetBatchTaskState(intake::UploadContext& task, int32_t state);

}  // namespace batch
