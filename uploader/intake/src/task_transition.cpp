#include <string>

#include "intake/task_list_saver.h"
#include "intake/task_states.h"
#include "intake/upload_context.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/text.h"

namespace intake {
namespace {

std::u16string Number(int64_t value) {
    return platform::Utf8ToWide(std::to_string(value));
}

void LogRefusedMove(const UploadContext& task, int32_t to) {
    Log().Write(L4_INF, log_events::kTaskState, false,
                u"DESC=refused move " + Number(task.m_State) + u" -> " + Number(to),
                u"TaskID=" + Number(task.m_TaskId), u"FileName=" + task.m_Name);
}

}  // namespace

bool IsKnownState(int32_t state) {
    switch (state) {
        case kTaskWaiting:
        case kTaskUploading:
        case kTaskComplete:
        case kTaskCancelled:
        case kTaskPaused:
            return true;
        default:
            return IsFailureState(state);
    }
}

bool IsFailureState(int32_t state) {
    switch (state) {
        case kTaskFailed:
        case kTaskEmptyFile:
        case kTaskTooLarge:
        case kTaskFileLocked:
        case kTaskFileMissing:
        case kTaskDiskFull:
        case kTaskTimeout:
        case kTaskParentMissing:
        case kTaskFileExists:
            return true;
        default:
            return false;
    }
}

bool IsRefusedAtCreation(int32_t state) {
    return state == kTaskEmptyFile || state == kTaskTooLarge;
}

bool IsKeptOnRestore(int32_t state) {
    return IsKnownState(state) && state != kTaskCancelled;
}

bool IsQueuedOnRestore(int32_t state) {
    return state == kTaskWaiting || state == kTaskUploading;
}

bool IsLegalMove(int32_t from, int32_t to) {
    if (!IsKnownState(from) || !IsKnownState(to))
        return false;
    if (from == to || to == kTaskCancelled)
        return from != kTaskCancelled || to == kTaskCancelled;
    switch (from) {
        case kTaskWaiting:
            return to == kTaskUploading || to == kTaskPaused;
        case kTaskUploading:
            return to != kTaskWaiting;  // a run ends, or is paused
        case kTaskPaused:
            return to == kTaskWaiting || to == kTaskComplete;
        default:
            return to == kTaskWaiting && IsFailureState(from);  // retry
    }
}

bool MoveTaskLocked(UploadContext& task, int32_t to, TaskListing listing) {
    if (!IsLegalMove(task.m_State, to)) {
        LogRefusedMove(task, to);
        return false;
    }
    if (task.m_State != to) {
        task.m_State = to;
        if (listing == TaskListing::Listed)
            MarkTaskListChanged();
    }
    return true;
}

}  // namespace intake
