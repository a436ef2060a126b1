#include "transfer_support.h"

#include "intake/queue.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "platform/event.h"
#include "platform/input_file.h"
#include "platform/system.h"
#include "platform/text.h"
#include "settings/session_state.h"
#include "upload/request_params.h"

namespace upload::detail {

bool IsStopped(const intake::UploadContext& task) {
    return (task.m_hStopEvent && task.m_hStopEvent->IsSet()) || settings::AbortEvent().IsSet() ||
           intake::GetTaskState(task) == intake::kTaskCancelled;
}

bool WaitOrStop(const intake::UploadContext& task, uint32_t ms) {
    if (IsStopped(task))
        return true;
    platform::Event* stop = task.m_hStopEvent.get();
    if (!stop)
        return platform::WaitAny({&settings::AbortEvent()}, ms) != platform::kWaitTimeout;
    return platform::WaitAny({stop, &settings::AbortEvent()}, ms) != platform::kWaitTimeout;
}

void FailTransfer(UploadRun& run) {
    run.m_Task.m_TransferStatus = kTransferFailed;
    run.m_File.reset();
}

void FinishUpload(UploadRun& run, std::string_view remotePathUtf8) {
    run.m_RemotePath = platform::Utf8ToWide(remotePathUtf8);
    run.m_Task.m_DoneSize = run.m_Task.m_FileSize;
    run.m_Task.m_TransferStatus = 0;
    run.m_Finished = true;
    run.m_File.reset();
}

void NotifyProgress(const intake::UploadContext& task) {
    intake::NotifyTask(task.m_TaskId, task.m_hOwnerWnd);
}

std::u16string FilePathText(const intake::UploadContext& task) {
    return u"m_strFilePathName=" + task.m_Dir + u'/' + task.m_Name;
}

void LogFailure(std::u16string_view event, std::u16string_view cause, std::u16string_view data1,
                std::u16string_view data2, std::u16string_view data3) {
    Log().Write(L3_KEY, event, false, cause, data1, data2, data3);
}

std::u16string BodyText(std::string_view reply) {
    return u"Body=" + platform::AnsiToWide(reply);
}

std::string TimeStamp() {
    return std::to_string(platform::UnixTimeNow());
}

std::optional<ByteRange> ResolveRange(const UploadRun& run, std::string_view segId,
                                      std::string_view range) {
    const auto relative = ParseByteRange(range);
    if (!relative || relative->Length() > kMaxBlockBytes)
        return std::nullopt;
    if (segId.empty()) {
        if (relative->end >= run.m_Task.m_FileSize)
            return std::nullopt;
        return relative;
    }
    const SegmentEntry* segment = FindSegment(run, segId);
    const auto unit = segment ? ParseByteRange(segment->range) : std::nullopt;
    if (!unit || relative->end >= unit->Length())
        return std::nullopt;
    return ParseByteRange(RebaseRange(range, segment->range));
}

}  // namespace upload::detail
