#include "batch/batch_worker.h"

#include <utility>

#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/event.h"
#include "upload/driver.h"
#include "upload/result_codes.h"

namespace batch {

using intake::UploadContext;

void SetBatchTaskState(UploadContext& task, int32_t state) {
    if (state == intake::kTaskCancelled) {
        std::lock_guard lock(intake::TaskLock());
        intake::MoveTaskLocked(task, state, intake::TaskListing::Unlisted);
        return;
    }
    intake::SetTaskState(task, state);
}

CBatchWorker::CBatchWorker(const intake::RequestBatch& requests, platform::WindowHandle owner,
                           int32_t uploadKind, FileDone fileDone, BatchWorkerOptions options)
    : m_Owner(owner), m_FileDone(std::move(fileDone)), m_Options(std::move(options)) {
    if (!m_Options.driver)
        m_Options.driver = &upload::UploadFile;
    for (const intake::UploadRequestEntry& entry : requests) {
        auto task = intake::CreateUploadContext(intake::EntryDir(entry), intake::EntryName(entry),
                                                owner, uploadKind);
        m_TotalBytes += task->m_FileSize;
        const int32_t id = task->m_TaskId;
        // Refused when it was made (empty, above the account's limit): the driver never
        // runs it, so it is a failure from the start, or the batch would never end.
        if (intake::IsRefusedAtCreation(task->m_State)) {
            m_Failed.push_back(id);
            m_Results[id].result = task->m_State == intake::kTaskEmptyFile ? upload::kEmptyFile
                                                                           : upload::kFileTooLarge;
        }
        m_Tasks.emplace(id, std::move(task));
        intake::NotifyTask(id, owner);
    }
    m_FileCount = m_Tasks.size();
}

CBatchWorker::~CBatchWorker() {
    Stop();
    if (m_Thread.joinable())
        m_Thread.join();
}

void CBatchWorker::Start() {
    std::lock_guard lock(m_Lock);
    if (m_Thread.joinable() || m_Stop)
        return;
    m_Running = true;
    m_Thread = std::thread([this] { Run(); });
}

void CBatchWorker::Stop() {
    std::lock_guard lock(m_Lock);
    m_Stop = true;
    m_Work.clear();
    m_Failed.clear();
    if (m_Current != -1) {
        UploadContext& running = *m_Tasks.at(m_Current);
        SetBatchTaskState(running, intake::kTaskCancelled);
        intake::PulseStopEvent(running);
    }
    m_Wake.notify_all();
}

void CBatchWorker::Pause(bool paused) {
    std::lock_guard lock(m_Lock);
    m_Paused = paused;
    m_Wake.notify_all();
}

bool CBatchWorker::IsPaused() const {
    std::lock_guard lock(m_Lock);
    return m_Paused;
}

void CBatchWorker::Post(std::function<void()> work) {
    std::lock_guard lock(m_Lock);
    if (m_Stop)
        return;
    m_Work.push_back(std::move(work));
    m_Wake.notify_all();
}

void CBatchWorker::Run() {
    while (RunOneFile() && WaitBetweenFiles()) {
    }
    {
        std::lock_guard lock(m_Lock);
        m_Current = -1;
    }
    RunPostedWork();
    std::lock_guard lock(m_Lock);
    m_Running = false;
}

// Takes the next waiting task and runs the driver on it; false when none is left or the
// batch was stopped.
bool CBatchWorker::RunOneFile() {
    UploadContext* task = nullptr;
    {
        std::unique_lock lock(m_Lock);
        m_Wake.wait(lock, [this] { return m_Stop || !m_Paused; });
        if (m_Stop || !(task = NextWaitingLocked()))
            return false;
        // Cleared while the lock is held, so a stop asked for from now on is never lost.
        task->m_hStopEvent->Reset();
        SetBatchTaskState(*task, intake::kTaskUploading);
        m_Current = task->m_TaskId;
    }
    const int result = m_Options.driver(*task);
    const int32_t id = task->m_TaskId;
    {
        std::lock_guard lock(m_Lock);
        m_Current = -1;
        RecordLocked(*task, result);
        if (intake::GetTaskState(*task) == intake::kTaskCancelled) {
            m_Results.erase(id);
            m_Tasks.erase(id);
            --m_FileCount;
        }
    }
    // After the record: the window that reads the batch on this report finds it counted.
    intake::NotifyTask(id, m_Owner);
    return true;
}

UploadContext* CBatchWorker::NextWaitingLocked() {
    for (auto& [id, task] : m_Tasks)
        if (intake::GetTaskState(*task) == intake::kTaskWaiting)
            return task.get();
    return nullptr;
}

void CBatchWorker::RecordLocked(UploadContext& task, int result) {
    BatchTaskInfo info;
    info.result = result;
    info.remotePath = task.m_RemotePath;
    m_Results[task.m_TaskId] = std::move(info);
    if (intake::GetTaskState(task) == intake::kTaskCancelled)
        return;
    if (result != 0) {
        if (!m_Stop)
            m_Failed.push_back(task.m_TaskId);
    } else {
        ++m_DoneCount;
        m_FinishedBytes += task.m_FileSize;
    }
    if (m_FileDone)
        m_FileDone(task, result);
}

bool CBatchWorker::WaitBetweenFiles() {
    std::unique_lock lock(m_Lock);
    m_Wake.wait_for(lock, m_Options.pauseBetweenFiles, [this] { return m_Stop; });
    return !m_Stop;
}

// After the passes: the work the batch hands over (making the link), until stopped.
void CBatchWorker::RunPostedWork() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_Lock);
            m_Wake.wait(lock, [this] { return m_Stop || !m_Work.empty(); });
            if (m_Stop)
                return;
            work = std::move(m_Work.front());
            m_Work.pop_front();
        }
        work();
    }
}

uint64_t CBatchWorker::BytesDoneLocked() const {
    uint64_t done = m_FinishedBytes;
    if (m_Current != -1)
        done += m_Tasks.at(m_Current)->m_DoneSize.load();
    return done;
}

BatchTaskInfo CBatchWorker::InfoLocked(const UploadContext& task) const {
    BatchTaskInfo info;
    if (const auto found = m_Results.find(task.m_TaskId); found != m_Results.end())
        info = found->second;
    info.id = task.m_TaskId;
    info.name = task.m_Name;
    info.fileName = task.m_FileName;
    // The driver measures the file again as it starts, under the task lock.
    std::lock_guard lock(intake::TaskLock());
    info.state = task.m_State;
    info.size = task.m_FileSize;
    return info;
}

std::vector<BatchTaskInfo> CBatchWorker::Tasks() const {
    std::lock_guard lock(m_Lock);
    std::vector<BatchTaskInfo> tasks;
    for (const auto& [id, task] : m_Tasks)
        tasks.push_back(InfoLocked(*task));
    return tasks;
}

std::vector<BatchTaskInfo> CBatchWorker::FailedTasks() const {
    std::lock_guard lock(m_Lock);
    std::vector<BatchTaskInfo> failed;
    for (const int32_t id : m_Failed)
        if (const auto found = m_Tasks.find(id); found != m_Tasks.end())
            failed.push_back(InfoLocked(*found->second));
    return failed;
}

BatchTaskInfo CBatchWorker::Current() const {
    std::lock_guard lock(m_Lock);
    if (m_Current == -1)
        return {};
    return InfoLocked(*m_Tasks.at(m_Current));
}

bool CBatchWorker::IsStopped() const {
    std::lock_guard lock(m_Lock);
    return m_Stop;
}

bool CBatchWorker::IsRunning() const {
    std::lock_guard lock(m_Lock);
    return m_Running;
}

}  // namespace batch
