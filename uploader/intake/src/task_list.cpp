#include <string>

#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "intake/task_list.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"
#include "queue_state.h"
#include "settings/settings.h"

namespace intake {
namespace {

// Far above any real list (a record takes some 20 bytes and more): a larger file is not
// one of ours and is not read into memory.
constexpr uint64_t kLargestTaskList = 256ull << 20;

std::vector<CTask> SnapshotTasks() {
    auto& queue = queue_detail::Queue();
    std::lock_guard lock(queue.taskLock);
    std::vector<CTask> tasks;
    tasks.reserve(queue.tasks.size());
    for (const auto& [id, task] : queue.tasks)
        tasks.push_back(CTask{task->m_Dir, task->m_Name, task->m_State});
    return tasks;
}

void CountRestored(int32_t state) {
    if (state == kTaskComplete)
        IntakeUi().CountRestoredResult(true);
    else if (state > 4 && state != kTaskEmptyFile && state != kTaskTooLarge && state != kTaskPaused)
        IntakeUi().CountRestoredResult(false);
}

// Keeps a damaged list beside for the user to look at, replacing an older copy; it is
// deleted only when it cannot be kept, so that it is not restored a second time.
void KeepDamaged(const std::u16string& path) {
    const std::u16string kept = path + u".damaged";
    Log().Write(L1_USR, log_events::kLoadTaskList, false,
                u"DESC=the saved task list is damaged; the readable tasks were restored and "
                u"the file was kept",
                kept);
    if (!platform::RenameFile(path, kept))
        platform::RemoveFile(path);
}

}  // namespace

std::u16string TaskListPath() {
    const std::u16string install = settings::GetInstallPath();
    return install.empty() ? std::u16string() : install + u"/Flinga/uploader.dat";
}

bool SaveTaskList(const std::u16string& path) {
    if (!path.empty() && platform::WriteWholeFile(path, EncodeTaskList(SnapshotTasks())))
        return true;
    Log().Write(L3_KEY, log_events::kSaveTaskList, false,
                u"DESC=the task list could not be written", path);
    return false;
}

LoadedTaskList LoadTaskList(const std::u16string& path) {
    LoadedTaskList loaded;
    const auto bytes = platform::ReadWholeFile(path, kLargestTaskList);
    if (!bytes)
        return loaded;  // missing or unreadable: nothing to restore
    loaded.found = true;
    const DecodedTaskList list = DecodeTaskList(*bytes);
    for (const CTask& task : list.tasks) {
        AddRestoredTask(task.m_Dir, task.m_Name, task.m_State);
        CountRestored(task.m_State);
    }
    loaded.restored = static_cast<int>(list.tasks.size());
    loaded.damaged = list.damaged;
    IntakeUi().ShowAdded(loaded.restored,
                         list.tasks.empty() ? std::u16string_view() : list.tasks.back().m_Name);
    if (list.damaged)
        KeepDamaged(path);
    else
        platform::RemoveFile(path);
    return loaded;
}

bool SaveTasksForExit() { return SaveTaskList(TaskListPath()); }

LoadedTaskList RestoreSavedTasks() {
    const std::u16string path = TaskListPath();
    return path.empty() ? LoadedTaskList{} : LoadTaskList(path);
}

}  // namespace intake
