#include "driver_steps.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/event.h"
#include "platform/input_file.h"
#include "transfer_support.h"
#include "upload/driver.h"
#include "upload/result_codes.h"

namespace upload {

using namespace intake;

int32_t FailureState(int result) {
    switch (result) {
        case kFileLocked:
            return kTaskFileLocked;
        case kFileNotFound:
            return kTaskFileMissing;
        case kServiceDiskFull:
            return kTaskDiskFull;
        case kNoReply:
            return kTaskTimeout;
        case kParentMissing:
            return kTaskParentMissing;
        case kFileExists:
            return kTaskFileExists;
        default:
            return kTaskFailed;
    }
}

std::u16string_view StateName(int result) {
    switch (result) {
        case kFileLocked:
            return u"TASK_STATE_FILE_LOCK";
        case kFileNotFound:
            return u"TASK_STATE_FILE_NO_EXIST";
        case kServiceDiskFull:
            return u"TASK_STATE_NETDISK_FULL";
        case kNoReply:
            return u"TASK_STATE_TIMEOUT";
        case kParentMissing:
            return u"TASK_STATE_PARENT_PATH_NOT_EXIST";
        case kFileExists:
            return u"TASK_STATE_EXIST_FILE";
        default:
            return u"TASK_STATE_ERROR";
    }
}

namespace detail {

bool SetFailureState(UploadContext& task, int32_t state) {
    std::lock_guard lock(TaskLock());
    // A paused or removed task ends its run through the stop: that is no failure.
    return task.m_State == kTaskUploading && MoveTaskLocked(task, state);
}

std::u16string FileNameText(const UploadContext& task) {
    return u"filename=" + task.m_Dir + u'/' + task.m_Name;
}

int Conclude(UploadRun& run, int result) {
    UploadContext& task = run.m_Task;
    if (IsTransferFailed(task.m_TransferStatus) || GetTaskState(task) == kTaskCancelled) {
        // A cancelled or paused task keeps its state, and its end is no outcome to log.
        if (SetFailureState(task, FailureState(result)))
            Log().Write(L3_KEY, log_events::kUploadDataResult, false, {},
                        u"UploadStatus=" + std::u16string(StateName(result)), FileNameText(task));
        if (result == kUploadOk)
            result = kUploadFailed;
    } else {
        SetTaskState(task, kTaskComplete);
        Log().Write(L4_INF, log_events::kUploadDataResult, true, {},
                    u"UploadStatus=TASK_STATE_COMPLETE", FileNameText(task));
        result = kUploadOk;
    }
    NotifyProgress(task);
    run.m_File.reset();
    task.m_hStopEvent->Reset();
    return result;
}

}  // namespace detail
}  // namespace upload
