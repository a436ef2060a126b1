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
    return (state >= kTaskWaiting && state <= kTaskPaused) && state != 4;
}

bool IsFailureEnd(int32_t state) {
    return IsKnownState(state) && state > 4 && state != kTaskCancelled && state != kTaskPaused;
}

bool IsRestorableState(int32_t state) {
    return IsKnownState(state) && state != kTaskCancelled;
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
            return to == kTaskWaiting && IsFailureEnd(from);  // retry
    }
}

bool MoveTaskLocked(UploadContext& task, int32_t to) {
    if (!IsLegalMove(task.m_State, to)) {
        LogRefusedMove(task, to);
        return false;
    }
    if (task.m_State != to) {
        task.m_State = to;
        MarkTaskListChanged();
    }
    return true;
}

}  // namespace intake
