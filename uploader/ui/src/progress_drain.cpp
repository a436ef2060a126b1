// The progress drain: changed task ids come from the queue (WM_TASK_CHANGED); each
// becomes a row or updates its row, and results are counted for the batch.

#include <chrono>
#include <unordered_set>
#include <vector>

#include "intake/intake_state.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/upload_context.h"
#include "log/log.h"
#include "log/log_events.h"
#include "ui/desktop_notices.h"
#include "ui/qt_intake_ui.h"
#include "ui/upload_dlg.h"

namespace ui {
namespace {

constexpr int kIdsPerClockLook = 32;

// The folder of the task below the received-files folder: the sub-folders its name
// carries ("Photos/2011/a.jpg" lies in "Photos/2011"); "" for a plain file.
std::u16string RemoteFolderOf(const std::u16string& name) {
    const size_t slash = name.rfind(u'/');
    return slash == std::u16string::npos ? std::u16string() : name.substr(0, slash);
}

int32_t OwnerKindOf(platform::WindowHandle owner) {
    if (owner == platform::kNoWindow || owner == intake::MainWindow())
        return kOwnerNone;
    return static_cast<int32_t>(
        platform::GetWindowProperty(owner, kOwnerKindProperty).value_or(kOwnerNone));
}

}  // namespace

CTaskUpdate CuploadDlg::MakeUpdate(const intake::TaskView& task) const {
    CTaskUpdate update;
    update.taskId = task.id;
    update.state = task.state;
    update.name = task.fileName;
    update.fullName = task.dir + u'/' + task.name;
    update.remotePath = RemoteFolderOf(task.name);
    update.totalSize = task.fileSize;
    update.doneSize = task.doneSize;
    update.ownerKind = OwnerKindOf(task.owner);
    if (update.ownerKind != kOwnerNone)
        update.ownerWnd = task.owner;
    return update;
}

std::vector<int32_t> CuploadDlg::TakeChangedTasks() {
    std::vector<int32_t> ids;
    std::unordered_set<int32_t> taken;
    auto take = [&](int32_t id) {
        if (taken.insert(id).second)
            ids.push_back(id);
    };
    for (; !m_Refresh.empty(); m_Refresh.pop_front())
        take(m_Refresh.front());
    for (int32_t id = 0; intake::PopChangedTask(id);)
        take(id);
    return ids;
}

void CuploadDlg::DrainProgress() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + m_Ui.Options().drainSlice;
    // Every id waiting now is taken at once, and each task is read once: its record holds
    // the latest. A task reported again while they are shown finds the queue empty, which
    // wakes the window once more, so its newest report is read in the next pass.
    const std::vector<int32_t> ids = TakeChangedTasks();
    for (size_t shown = 0; shown < ids.size();) {
        ShowTaskChange(ids[shown]);
        if (m_Ui.Options().taskShown)
            m_Ui.Options().taskShown(ids[shown]);
        ++shown;
        if (shown % kIdsPerClockLook == 0 && shown < ids.size() && Clock::now() >= deadline) {
            // Let the event loop paint and take input, then go on with the rest.
            m_Refresh.insert(m_Refresh.begin(), ids.begin() + shown, ids.end());
            platform::PostMessage(Handle(), intake::WM_TASK_CHANGED, 0, 0);
            return;
        }
    }
}

void CuploadDlg::RefreshAllRows() {
    for (const int32_t id : m_TaskContainer->DisplayOrder())
        m_Refresh.push_back(id);
    platform::PostMessage(Handle(), intake::WM_TASK_CHANGED, 0, 0);
}

void CuploadDlg::ShowTaskChange(int32_t id) {
    const auto task = intake::GetTaskView(id);
    if (!task)
        return;  // removed meanwhile
    const CTaskUpdate update = MakeUpdate(*task);
    if (!m_TaskContainer->HasRow(id)) {
        m_TaskContainer->AddTask(update);
        CountResult(intake::kTaskWaiting, update, true);
        return;
    }
    CountResult(m_TaskContainer->UpdateTask(update), update, false);
}

// A task that reached a result is counted once: when its row first shows the result,
// whether the row was just made (a quick upload, a restored task) or existed before.
void CuploadDlg::CountResult(int32_t before, const CTaskUpdate& update, bool newRow) {
    CBatchCounters& counters = m_Ui.Counters();
    bool complete = false;
    bool counted = false;
    if (update.state == intake::kTaskComplete && before != intake::kTaskComplete) {
        counters.CountSuccess();
        complete = counters.TaskSucceeded();
        counted = true;
        Log().Write(L3_KEY, log_events::kUploaderTask, true, {}, u"Upload Success",
                    u"FileName=" + update.name);
    } else if (intake::IsFailureState(update.state) && update.state != before) {
        if (newRow && intake::IsRefusedAtCreation(update.state))
            return;  // the new row counted it
        complete = counters.TaskFailed();
        counted = true;
        Log().WriteErrorCode(update.state, L3_KEY, log_events::kUploaderTask,
                             u"FileName=" + update.name);
    }
    if (complete)
        m_TaskContainer->SetFailedFirst();
    if (counted && DesktopNotices()) {
        if (!newRow)
            DesktopNotices()->Arm();  // the task ran in this session
        if (counters.Get().Open() < 1)
            DesktopNotices()->BatchSettled(counters.Get());
    }
}

}  // namespace ui
