#pragma once

// The task record: one file to upload. Its states and their legal moves: task_states.h.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "intake/task_states.h"
#include "platform/window.h"
#include "settings/service_hosts.h"

namespace platform {
class Event;
}

namespace intake {

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
    int32_t m_TransferStatus = 0;         // the engine's transfer status; 4 and above: failed
    std::u16string m_Dir;                 // local folder of the file, no trailing "/"
    std::u16string m_Name;                // name, possibly with sub-folders ("Photos/a.jpg")
    std::u16string m_FileName;            // m_Name after its last "/"
    uint64_t m_FileSize = 0;              // bytes, when the record was made (0: none found)
    std::atomic<uint64_t> m_DoneSize{0};  // bytes sent; written by the worker, read for display
    int32_t m_State = kTaskWaiting;       // guarded by the task lock (intake/task_map.h)
    int32_t m_TaskId = 0;
    platform::WindowHandle m_hOwnerWnd = platform::kNoWindow;  // gets the change reports
    int32_t m_UploadKind = kAccountUpload;
    std::u16string m_Path;  // m_Dir + "/" + m_Name

    settings::ServiceHost m_ApiHost;  // the sync API host when the record was made (with port)

    // Written by the upload engine (upload/upload_run.h holds its working state).
    // m_Stage is read by other threads (a batch's speed sampling); the result fields are
    // written once when a run ends, by the worker that ran it, and read after the run.
    std::atomic<int32_t> m_Stage{0};  // 3 while a fast upload runs
    std::u16string m_RemotePath;      // result: "kdw_path" the last run's file was confirmed
                                      // under; empty when the service did not confirm it

    // Queue bookkeeping, guarded by the task lock.
    bool m_Running = false;        // a worker runs the driver on this record
    bool m_Detached = false;       // removed from the map while running: the worker frees it
    bool m_RunAgain = false;       // queued again while still running: requeue when it returns
    bool m_RetryAfterRun = false;  // retried while still running: retry when it returns
};

// A new record for the file dir + "/" + name with the next task id, judged once: a path
// that is no folder and has no bytes is state 6; an account upload above the account's
// largest file (when that is known) is state 7; else 1. The caller puts it in the map.
std::unique_ptr<UploadContext> CreateUploadContext(std::u16string_view dir,
                                                   std::u16string_view name,
                                                   platform::WindowHandle ownerWnd, int32_t kind);

// A decimal byte count of the account figures (largest file, space, used space), read
// as the C runtime reads one: blanks first, then the leading digits (saturating); the
// rest is ignored. Empty while the figure is unknown (an empty text).
std::optional<uint64_t> ReadAccountFigure(std::u16string_view text);

// The next id of the root's task records is kFirstTaskId again (a new run within one
// root: tests and benchmarks).
void ResetTaskIdCounter();

// Reset, then set: tells the driver running the task to stop.
void PulseStopEvent(UploadContext& task);

}  // namespace intake
