#include <string>

#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "intake/task_list.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"
#include "platform/text.h"
#include "queue_state.h"
#include "settings/settings.h"
#include "task_list_saver.h"

namespace intake {
namespace {

// Far above any real list (a record takes some 20 bytes and more): a larger file is not
// one of ours and is not read into memory.
constexpr uint64_t kLargestTaskList = 256ull << 20;

// Tasks refused when they were made are counted as their rows are made.
void CountRestored(int32_t state) {
    if (state == kTaskComplete)
        IntakeUi().CountRestoredResult(true);
    else if (IsFailureState(state) && !IsRefusedAtCreation(state))
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

// A saved state that no task can have (another program's bytes, a damaged disk) is read
// as a failure, which the user sees and may retry; the record says which it was.
int32_t RestorableStateOf(const CTask& task) {
    if (IsKeptOnRestore(task.m_State))
        return task.m_State;
    Log().Write(L3_KEY, log_events::kLoadTaskList, false,
                u"DESC=unknown state " + platform::Utf8ToWide(std::to_string(task.m_State)) +
                    u"; restored as failed",
                u"FileName=" + task.m_Dir + u'/' + task.m_Name);
    return kTaskFailed;
}

}  // namespace

namespace queue_detail {

std::vector<CTask> SnapshotTasks() {
    auto& queue = Queue();
    std::lock_guard lock(queue.taskLock);
    std::vector<CTask> tasks;
    tasks.reserve(queue.tasks.size());
    for (const auto& [id, task] : queue.tasks)
        tasks.push_back(CTask{task->m_Dir, task->m_Name, task->m_State});
    return tasks;
}

bool WriteTaskList(const std::u16string& path, const std::vector<CTask>& tasks) {
    if (!path.empty() && platform::WriteWholeFile(path, EncodeTaskList(tasks)))
        return true;
    Log().Write(L3_KEY, log_events::kSaveTaskList, false,
                u"DESC=the task list could not be written", path);
    return false;
}

}  // namespace queue_detail

std::u16string TaskListPath() {
    const std::u16string install = settings::GetInstallPath();
    return install.empty() ? std::u16string() : install + u"/Flinga/uploader.dat";
}

bool SaveTaskList(const std::u16string& path) {
    return queue_detail::WriteTaskList(path, queue_detail::SnapshotTasks());
}

LoadedTaskList LoadTaskList(const std::u16string& path, bool keepFile) {
    LoadedTaskList loaded;
    const auto bytes = platform::ReadWholeFile(path, kLargestTaskList);
    if (!bytes)
        return loaded;  // missing or unreadable: nothing to restore
    loaded.found = true;
    const DecodedTaskList list = DecodeTaskList(*bytes);
    for (const CTask& task : list.tasks) {
        const int32_t state = RestorableStateOf(task);
        AddRestoredTask(task.m_Dir, task.m_Name, state);
        CountRestored(state);
    }
    loaded.restored = static_cast<int>(list.tasks.size());
    loaded.damaged = list.damaged;
    IntakeUi().ShowAdded(loaded.restored,
                         list.tasks.empty() ? std::u16string_view() : list.tasks.back().m_Name);
    if (list.damaged)
        KeepDamaged(path);
    else if (!keepFile)
        platform::RemoveFile(path);
    return loaded;
}

bool SaveTasksForExit() {
    return queue_detail::SaveTaskListNow(TaskListPath());
}

LoadedTaskList RestoreSavedTasks() {
    using queue_detail::SaverPhase;
    const std::u16string path = TaskListPath();
    if (path.empty())
        return {};
    switch (queue_detail::TaskListSaverPhase()) {
        case SaverPhase::Off:
            return LoadTaskList(path);
        case SaverPhase::Armed:
            return {};  // restored already: the file is this run's own list
        case SaverPhase::WaitingForRestore:
            break;
    }
    // The file stays until the saver replaces it with every task, the restored ones
    // included: a crash in between finds it again.
    const LoadedTaskList loaded = LoadTaskList(path, true);
    queue_detail::ArmTaskListSaver(path);
    return loaded;
}

}  // namespace intake
