#include "intake/task_map.h"

#include "queue_state.h"

namespace intake {

using queue_detail::Queue;

std::mutex& TaskLock() {
    return Queue().taskLock;
}

UploadContext* FindTaskLocked(int32_t id) {
    auto& tasks = Queue().tasks;
    const auto found = tasks.find(id);
    return found == tasks.end() ? nullptr : found->second.get();
}

UploadContext* InsertTaskLocked(std::unique_ptr<UploadContext> task) {
    const int32_t id = task->m_TaskId;
    auto [it, inserted] = Queue().tasks.try_emplace(id, std::move(task));
    return inserted ? it->second.get() : nullptr;
}

std::optional<TaskView> GetTaskView(int32_t id) {
    std::lock_guard lock(TaskLock());
    const UploadContext* task = FindTaskLocked(id);
    if (!task)
        return std::nullopt;
    return TaskView{task->m_TaskId,   task->m_State,    task->m_UploadKind, task->m_Dir,
                    task->m_Name,     task->m_FileName, task->m_FileSize,   task->m_DoneSize.load(),
                    task->m_hOwnerWnd};
}

std::vector<int32_t> TaskIds() {
    std::lock_guard lock(TaskLock());
    std::vector<int32_t> ids;
    for (const auto& [id, task] : Queue().tasks)
        ids.push_back(id);
    return ids;
}

bool SetTaskState(UploadContext& task, int32_t state) {
    std::lock_guard lock(TaskLock());
    return MoveTaskLocked(task, state);
}

int32_t GetTaskState(const UploadContext& task) {
    std::lock_guard lock(TaskLock());
    return task.m_State;
}

}  // namespace intake
