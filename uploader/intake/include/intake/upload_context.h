#pragma once

// The task record: one file to upload.
//
// States: a record is created waiting (1), or refused at once (6 empty or missing file,
// 7 larger than the account's limit). A worker moves a waiting task to uploading (2); the
// upload engine ends it in a final state. The user pauses (15), resumes and retries (back
// to 1) or removes it (8 when it was uploading).
//
//   1 --worker--> 2 --engine--> 3 | 5 | 6 | 7 | 9..14
//   1, 2 --pause--> 15 --resume--> 1       2 --remove--> 8       final --retry--> 1

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/window.h"

namespace platform {
class Event;
}

namespace intake {

enum TaskState : int32_t {
    kTaskWaiting = 1,
    kTaskUploading = 2,
    kTaskComplete = 3,
    kTaskFailed = 5,
    kTaskEmptyFile = 6,
    kTaskTooLarge = 7,
    kTaskCancelled = 8,   // removed by the user while uploading
    kTaskFileLocked = 9,
    kTaskFileMissing = 10,
    kTaskDiskFull = 11,
    kTaskTimeout = 12,
    kTaskParentMissing = 13,
    kTaskFileExists = 14,
    kTaskPaused = 15,
};

// Upload kinds.
inline constexpr int32_t kAnonymousUpload = 1;
inline constexpr int32_t kAccountUpload = 2;

// The first task id of a run.
inline constexpr int32_t kFirstTaskId = 10001;

struct UploadContext {
    UploadContext();
    ~UploadContext();
    UploadContext(const UploadContext&) = delete;
    UploadContext& operator=(const UploadContext&) = delete;

    // Manual reset. Set to make the driver stop (remove, pause, shutdown); a worker clears
    // it as it starts the task.
    std::unique_ptr<platform::Event> m_hStopEvent;
    int32_t m_TransferStatus = 0;  // the engine's transfer status; 4 and above: failed
    std::u16string m_Dir;          // local folder of the file, no trailing "/"
    std::u16string m_Name;         // name, possibly with sub-folders ("Photos/a.jpg")
    std::u16string m_FileName;     // m_Name after its last "/"
    uint64_t m_FileSize = 0;       // bytes, when the record was made (0: none found)
    std::atomic<uint64_t> m_DoneSize{0};  // bytes sent; written by the worker, read for display
    int32_t m_State = kTaskWaiting;       // guarded by the task lock (intake/task_map.h)
    int32_t m_TaskId = 0;
    platform::WindowHandle m_hOwnerWnd = platform::kNoWindow;  // gets the change reports
    int32_t m_UploadKind = kAccountUpload;
    std::u16string m_Path;  // m_Dir + "/" + m_Name

    // The upload engine's working fields follow here.

    // Queue bookkeeping, guarded by the task lock.
    bool m_Running = false;   // a worker runs the driver on this record
    bool m_Detached = false;  // removed from the map while running: the worker frees it
    bool m_RunAgain = false;  // queued again while still running: requeue when it returns
};

// A new record for the file dir + "/" + name with the next task id, judged once: a path
// that is no folder and has no bytes is state 6; an account upload above the account's
// largest file (when that is known) is state 7; else 1. The caller puts it in the map.
std::unique_ptr<UploadContext> CreateUploadContext(std::u16string_view dir,
                                                   std::u16string_view name,
                                                   platform::WindowHandle ownerWnd,
                                                   int32_t kind);

// Makes the next id kFirstTaskId again (a new run in tests).
void ResetTaskIdCounter();

// Reset, then set: tells the driver running the task to stop.
void PulseStopEvent(UploadContext& task);

}  // namespace intake
