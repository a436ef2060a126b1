#include <mutex>

#include "driver_steps.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "transfer_support.h"
#include "upload/engine_timings.h"
#include "upload/remote.h"
#include "upload/result_codes.h"

namespace upload::detail {

using namespace intake;

namespace {

constexpr int kFolderRetries = 3;  // further tries of a folder while the service is busy

std::mutex g_RemoteFolderLock;  // folders of parallel tasks are made one at a time

int Refuse(UploadContext& task, int32_t state, std::u16string_view why, int result) {
    SetTaskState(task, state);
    Log().Write(L3_KEY, log_events::kErrorFileSize, false, {},
                u"file=" + task.m_Dir + u'/' + task.m_Name, why);
    NotifyProgress(task);
    return result;
}

// The account's free space; empty while its figures are unknown.
std::optional<uint64_t> FreeSpace() {
    const auto capacity = ReadAccountFigure(settings::GetSpaceCapacity());
    if (!capacity)
        return std::nullopt;
    const uint64_t used = ReadAccountFigure(settings::GetUsedSpace()).value_or(0);
    return *capacity > used ? *capacity - used : 0;
}

int MakeFolder(UploadRun& run, const std::u16string& prefix) {
    RemoteFileEntry folder;
    DescribeLocal(folder, run.m_Task.m_Dir + u'/' + prefix);
    folder.m_IsFolder = true;  // a part of the task's name is a folder, whatever is on disk now
    int result = RegisterRemote(folder, run);
    for (int retry = 0; result == kServiceBusy && retry < kFolderRetries; ++retry) {
        if (WaitOrStop(run.m_Task, GetEngineTimings().folderRetryWaitMs))
            break;
        result = RegisterRemote(folder, run);
    }
    return result;
}

}  // namespace

std::optional<int> RefuseByLimits(UploadContext& task) {
    if (!platform::IsFolder(task.m_Path) && task.m_FileSize == 0)
        return Refuse(task, kTaskEmptyFile, u"null file", kEmptyFile);
    if (task.m_UploadKind != kAccountUpload)
        return std::nullopt;  // anonymous uploads know no account limits
    // An unknown figure refuses nothing: the service checks again.
    const auto limit = ReadAccountFigure(settings::GetMaxFileSize());
    if (limit && task.m_FileSize > *limit)
        return Refuse(task, kTaskTooLarge, u"larger than limtdSize", kFileTooLarge);
    const auto free = FreeSpace();
    if (free && task.m_FileSize > *free)
        return Refuse(task, kTaskDiskFull, u"netdisk is full", kDiskFull);
    return std::nullopt;
}

int MakeRemoteFolders(UploadRun& run) {
    UploadContext& task = run.m_Task;
    {
        std::lock_guard lock(g_RemoteFolderLock);
        for (size_t slash = task.m_Name.find(u'/'); slash != std::u16string::npos;
             slash = task.m_Name.find(u'/', slash + 1)) {
            const int result = MakeFolder(run, task.m_Name.substr(0, slash));
            if (result == kUploadOk)
                continue;
            task.m_TransferStatus = kTransferFailed;
            SetFailureState(task, kTaskFailed);
            if (!IsShuttingDown())
                NotifyProgress(task);
            Log().Write(L3_KEY, log_events::kMakeDirAtServer, false, {}, FileNameText(task),
                        u"errorcode=" + platform::Utf8ToWide(std::to_string(result)));
            return result;
        }
    }
    Log().Write(L4_INF, log_events::kMakeDirAtServer, true, {}, FileNameText(task), u"make dir ok");
    return kUploadOk;
}

int RegisterFolderTask(UploadRun& run) {
    UploadContext& task = run.m_Task;
    const int result = RegisterRemote(run.m_FileEntry, run);
    if (result == kUploadOk)
        SetTaskState(task, kTaskComplete);
    else
        SetFailureState(task, kTaskFailed);
    NotifyProgress(task);
    return result;
}

}  // namespace upload::detail
