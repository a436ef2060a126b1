#pragma once

// The task record: one file to upload. Its states and their legal moves: task_states.h.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "intake/engine_records.h"
#include "intake/task_states.h"
#include "platform/input_file.h"
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

    // The upload engine's working fields. Only the worker running the driver touches
    // them, except where a comment says otherwise.
    int32_t m_Stage = 0;            // 3 while a fast upload runs (read by the speed sampling)
    std::string m_Secret;           // upload secret of the task's kind, ANSI code page
    std::string m_Tstr;             // upload ticket of the task's kind
    std::u16string m_RemotePath;    // "kdw_path" of the finished upload
    std::string m_CurrentSegId;     // the segment the service named last
    std::string m_CurrentSegRange;  // the range it asked for in that segment
    uint64_t m_SegDoneBase = 0;     // bytes of the segments finished in this dialogue
    uint64_t m_SegSize = 0;         // the segment size the service asked for
    std::unique_ptr<platform::InputFile> m_File;  // the open file; null when closed
    std::vector<SegmentEntry> m_Segments;         // the file's segments, in file order
    uint64_t m_SegDigestSize = 0;                 // segment size of m_SegDigests; 0: none taken
    std::vector<std::string> m_SegDigests;        // segment digests taken with the file's MD5
    RemoteFileEntry m_FileEntry;      // the local file as registered; m_Md5 is the file id
    RemoteFileEntry m_BaseEntry;      // a base version of the file; empty at creation
    settings::ServiceHost m_ApiHost;  // the sync API host (port included)
    std::string m_Boundary;           // multipart boundary of the block being sent
    bool m_HasStamp = false;          // "ts" and "sig" go with the file registration
    std::string m_Stamp;
    std::string m_Sig;
    bool m_Finished = false;  // the service confirmed the whole file ("FIN") in this run

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
