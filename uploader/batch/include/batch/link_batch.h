#pragma once

// The batch of a share-link request: uploads its files one after another (batch/
// batch_worker.h), collects what the link needs (the disk paths of the files that
// arrived, or for an anonymous batch each file's name and upload address), and asks the
// service for the link. Owned by its window; the window reads it on its own thread.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "batch/batch_worker.h"
#include "batch/speed_sample.h"

namespace batch {

// Where the files of an account batch are on the disk: "/我收到的文件/" + the name.
inline constexpr std::u16string_view kReceivedFolder = u"/我收到的文件/";

// The batch states the window sets: 1 made, 2 uploading, 3 link shown.
inline constexpr int32_t kBatchMade = 1;
inline constexpr int32_t kBatchUploading = 2;
inline constexpr int32_t kBatchLinked = 3;

struct LinkBatchOptions {
    BatchWorkerOptions worker;
    TickClock clock = &SteadyTickMs;
    // Told on the worker thread when a link request has ended; default: the owner window
    // gets WM_USERINFO_DONE (kShareLinkEnded, 0).
    std::function<void()> linkDone;
};

// The outcome of the last link request.
struct LinkResult {
    bool ended = false;  // a request ended (ok or not)
    int code = -1;       // 0: the link was made
    std::string url;     // the link's address
    std::string title;
};

// What the window shows, copied under the batch's lock.
struct LinkProgress {
    size_t fileCount = 0;
    size_t doneCount = 0;
    size_t failedCount = 0;
    uint64_t totalBytes = 0;
    uint64_t bytesDone = 0;
    BatchTaskInfo current;  // id 0 when no file runs
    bool paused = false;
};

class LinkBatch {
public:
    // One task per request entry: account uploads when logged in, else anonymous ones.
    LinkBatch(const intake::RequestBatch& requests, platform::WindowHandle owner, bool loggedIn,
              LinkBatchOptions options = {});
    ~LinkBatch();  // stops the worker and waits for it
    LinkBatch(const LinkBatch&) = delete;
    LinkBatch& operator=(const LinkBatch&) = delete;

    void Start();
    // The window is cancelled or closed: the running file is cancelled, the worker ends.
    void StopBatch();
    void Pause(bool paused) { m_Worker.Pause(paused); }
    bool IsPaused() const { return m_Worker.IsPaused(); }

    // Speed in bytes per second, sampled at most once a second; updates the remaining time.
    uint64_t SampleSpeed();
    uint64_t RemainingSeconds() const { return m_Speed.RemainingSeconds(); }

    // Asks for the link for the files that did upload, on the worker thread once its
    // uploads are over; nothing when the batch was stopped.
    void CreateLink();
    LinkResult Link() const;

    bool LoggedIn() const { return m_LoggedIn; }
    int32_t State() const { return m_State; }
    void SetState(int32_t state) { m_State = state; }
    bool MediaFlag() const;
    std::vector<std::u16string> AccountPaths() const;
    std::vector<std::pair<std::u16string, std::u16string>> AnonymousFiles() const;
    LinkProgress Progress() const;
    std::vector<BatchTaskInfo> FailedTasks() const { return m_Worker.FailedTasks(); }
    const CBatchWorker& Worker() const { return m_Worker; }

private:
    void OnFileDone(const intake::UploadContext& task, int result);
    void RunLinkRequest();

    const bool m_LoggedIn;
    const platform::WindowHandle m_Owner;
    std::function<void()> m_LinkDone;
    int32_t m_State = kBatchMade;  // window thread only
    CSpeedSample m_Speed;          // window thread only
    // Guarded by the worker's lock.
    bool m_Media = false;
    std::vector<std::u16string> m_AccountPaths;
    std::vector<std::pair<std::u16string, std::u16string>> m_AnonymousFiles;
    LinkResult m_Link;
    // Last: destroyed first, so the worker has ended before the lists above go.
    CBatchWorker m_Worker;
};

}  // namespace batch
