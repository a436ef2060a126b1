#include <memory>

#include "driver_steps.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"
#include "platform/input_file.h"
#include "platform/text.h"
#include "transfer_support.h"
#include "upload/credentials.h"
#include "upload/driver.h"
#include "upload/file_digests.h"
#include "upload/remote.h"
#include "upload/result_codes.h"
#include "upload/transfer.h"
#include "upload/upload_run.h"

namespace upload {

using namespace intake;
using namespace detail;

namespace {

// A new run: nothing done yet, the state uploading. The size is taken again, so that a
// file changed since it was queued is judged, digested and sent as it is now; a file
// that is gone keeps its size and fails when it is opened. False when the task may not
// run: it was paused or removed between the worker taking it and this start, and keeps
// that state (a resume queues it again).
bool StartRun(UploadContext& task) {
    if (!SetTaskState(task, kTaskUploading))
        return false;
    task.m_DoneSize = 0;
    task.m_TransferStatus = 0;  // a paused and resumed task starts clean
    if (const auto size = platform::FileSize(task.m_Path)) {
        std::lock_guard lock(TaskLock());  // the windows read the size under the lock
        task.m_FileSize = *size;
    }
    NotifyProgress(task);
    return true;
}

int FailFile(UploadRun& run, int result, std::u16string_view cause) {
    Log().Write(L3_KEY, log_events::kOpenFile, false, cause, u"FilePath=" + run.m_Task.m_Path);
    FailTransfer(run);
    return result;
}

// Opens the file and digests it once: the whole-file MD5 is the file id of the dialogue
// and the "md5" of the registration; the digests of the segments the service is expected
// to ask for are taken in the same read. The file must still be the one that was measured.
int OpenAndDigest(UploadRun& run) {
    const UploadContext& task = run.m_Task;
    auto file = std::make_unique<platform::InputFile>();
    if (const int error = file->Open(task.m_Path); error != 0)
        return FailFile(run, platform::IsNotFoundError(error) ? kFileNotFound : kFileLocked,
                        u"ERROR_CODE=" + platform::Utf8ToWide(std::to_string(error)));
    run.m_File = std::move(file);
    FileDigests digests;
    if (run.m_File->OpenedVersion().size != task.m_FileSize ||
        !DigestFile(*run.m_File, task.m_FileSize, ExpectedSegmentSize(), digests) ||
        run.m_File->ChangedSinceOpen())
        return FailFile(run, kUploadFailed, u"DESC=the file changed while it was read");
    run.m_FileEntry.m_Md5 = std::move(digests.whole);
    run.m_SegDigestSize = digests.segSize;
    run.m_SegDigests = std::move(digests.segments);
    run.m_FileEntry.m_Size = task.m_FileSize;
    return kUploadOk;
}

void CopyCredentials(UploadRun& run) {
    const UploadCredentials credentials = GetUploadCredentials(run.m_Task.m_UploadKind);
    run.m_Tstr = credentials.Tstr;
    run.m_Secret = credentials.Secret;
}

// The run from its checks to its outcome, once it started.
int RunSteps(UploadRun& run) {
    UploadContext& task = run.m_Task;
    if (const auto refused = RefuseByLimits(task))
        return *refused;
    if (task.m_UploadKind == kAccountUpload) {
        if (const int made = MakeRemoteFolders(run); made != kUploadOk)
            return made;
    }
    DescribeLocal(run.m_FileEntry, task.m_Path);
    if (task.m_UploadKind == kAccountUpload && run.m_FileEntry.m_IsFolder)
        return RegisterFolderTask(run);
    return Conclude(run, TransferFile(run));
}

}  // namespace

namespace detail {

int TransferFile(UploadRun& run) {
    UploadContext& task = run.m_Task;
    int result = AuthorizeUpload(task.m_UploadKind, task.m_hStopEvent.get());
    if (result != kUploadOk) {
        task.m_TransferStatus = kTransferFailed;
        return result;
    }
    CopyCredentials(run);
    if (run.m_FileEntry.m_IsFolder)  // an anonymous upload cannot make folders
        return FailFile(run, kUploadFailed, u"DESC=a folder cannot be uploaded anonymously");
    if ((result = OpenAndDigest(run)) != kUploadOk)
        return result;
    result = UploadData(run);
    run.m_File.reset();
    if (!IsTransferFailed(task.m_TransferStatus) && !run.m_Finished) {
        // The dialogue ended without the service confirming the file: not an upload.
        task.m_TransferStatus = kTransferFailed;
        return result == kUploadOk ? kUploadFailed : result;
    }
    if (!IsTransferFailed(task.m_TransferStatus) && task.m_UploadKind == kAccountUpload) {
        const int registered = RegisterRemote(run.m_FileEntry, run);
        if (registered != kUploadOk) {
            task.m_TransferStatus = kTransferFailed;
            result = registered;
        }
    }
    return result;
}

}  // namespace detail

int RunUpload(UploadRun& run) {
    UploadContext& task = run.m_Task;
    if (!StartRun(task))
        return kUploadFailed;
    const int result = RunSteps(run);
    task.m_RemotePath = run.m_RemotePath;  // the run's result, written once
    return result;
}

int UploadFile(UploadContext& task) {
    UploadRun run(task);
    return RunUpload(run);
}

}  // namespace upload
