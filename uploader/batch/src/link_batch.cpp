#include "batch/link_batch.h"

#include "actions/anonylink_action.h"
#include "actions/createlink_action.h"
#include "batch/media_files.h"
#include "intake/messages.h"

namespace batch {

LinkBatch::LinkBatch(const intake::RequestBatch& requests, platform::WindowHandle owner,
                     bool loggedIn, LinkBatchOptions options)
    : m_LoggedIn(loggedIn),
      m_Owner(owner),
      m_LinkDone(std::move(options.linkDone)),
      m_Speed(std::move(options.clock)),
      m_Worker(
          requests, owner, loggedIn ? intake::kAccountUpload : intake::kAnonymousUpload,
          [this](const intake::UploadContext& task, int result) { OnFileDone(task, result); },
          std::move(options.worker)) {
    if (!m_LinkDone)
        m_LinkDone = [owner] {
            platform::PostMessage(owner, intake::WM_USERINFO_DONE, intake::kShareLinkEnded, 0);
        };
}

LinkBatch::~LinkBatch() {
    StopBatch();
}

void LinkBatch::Start() {
    m_Speed.Restart(0);
    m_Worker.Start();
}

void LinkBatch::StopBatch() {
    m_Worker.Stop();
}

// With the worker's lock held.
void LinkBatch::OnFileDone(const intake::UploadContext& task, int result) {
    if (result != 0)
        return;
    if (!m_Media)
        m_Media = IsMediaFile(task.m_FileName);
    if (m_LoggedIn)
        m_AccountPaths.push_back(std::u16string(kReceivedFolder) + task.m_Name);
    else
        m_AnonymousFiles.emplace_back(task.m_FileName, task.m_RemotePath);
}

uint64_t LinkBatch::SampleSpeed() {
    uint64_t done = 0, total = 0;
    bool keep = false;
    {
        std::lock_guard lock(m_Worker.Lock());
        done = m_Worker.BytesDoneLocked();
        total = m_Worker.TotalBytesLocked();
        keep = m_Worker.CurrentTaskLocked() == -1;  // between files nothing moves
    }
    return m_Speed.Sample(done, total, keep);
}

void LinkBatch::CreateLink() {
    {
        std::lock_guard lock(m_Worker.Lock());
        m_Link = {};
    }
    m_Worker.Post([this] { RunLinkRequest(); });
}

// On the worker thread.
void LinkBatch::RunLinkRequest() {
    std::vector<std::u16string> paths;
    std::vector<actions::AnonymousFile> files;
    {
        std::lock_guard lock(m_Worker.Lock());
        if (m_Worker.StoppedLocked())
            return;
        paths = m_AccountPaths;
        files = m_AnonymousFiles;
    }
    LinkResult result;
    result.ended = true;
    if (m_LoggedIn) {
        actions::CCreatelinkAction action(std::move(paths), actions::kNorvelLink);
        result.code = action.Execute();
        result.url = action.GetUrl();
        result.title = action.GetTitle();
    } else {
        actions::CCreateAnonylinkAction action(files);
        result.code = action.Execute();
        result.url = action.GetUrl();
        result.title = action.GetTitle();
    }
    {
        std::lock_guard lock(m_Worker.Lock());
        m_Link = std::move(result);
    }
    m_LinkDone();
}

LinkResult LinkBatch::Link() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Link;
}

bool LinkBatch::MediaFlag() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Media;
}

std::vector<std::u16string> LinkBatch::AccountPaths() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_AccountPaths;
}

std::vector<std::pair<std::u16string, std::u16string>> LinkBatch::AnonymousFiles() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_AnonymousFiles;
}

LinkProgress LinkBatch::Progress() const {
    LinkProgress progress;
    std::lock_guard lock(m_Worker.Lock());
    progress.fileCount = m_Worker.FileCountLocked();
    progress.doneCount = m_Worker.DoneCountLocked();
    progress.failedCount = m_Worker.FailedLocked().size();
    progress.totalBytes = m_Worker.TotalBytesLocked();
    progress.bytesDone = m_Worker.BytesDoneLocked();
    if (const int32_t current = m_Worker.CurrentTaskLocked(); current != -1)
        progress.current = m_Worker.InfoLocked(*m_Worker.TasksLocked().at(current));
    progress.paused = m_Worker.PausedLocked();
    return progress;
}

}  // namespace batch
