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
    task.m_SegDoneBase = 0;
    task.m_TransferStatus = 0;  // a paused and resumed task starts clean
    task.m_Stage = 0;
    task.m_Finished = false;
    task.m_RemotePath.clear();
    task.m_CurrentSegId.clear();
    task.m_CurrentSegRange.clear();
    task.m_Segments.clear();
    task.m_SegDigestSize = 0;
    task.m_SegDigests.clear();
    task.m_File.reset();
    if (const auto size = platform::FileSize(task.m_Path)) {
        std::lock_guard lock(TaskLock());  // the windows read the size under the lock
        task.m_FileSize = *size;
    }
    NotifyProgress(task);
    return true;
}

int FailFile(UploadContext& task, int result, std::u16string_view cause) {
    Log().Write(L3_KEY, log_events::kOpenFile, false, cause, u"FilePath=" + task.m_Path);
    FailTransfer(task);
    return result;
}

// Opens the file and digests it once: the whole-file MD5 is the file id of the dialogue
// and the "md5" of the registration; the digests of the segments the service is expected
// to ask for are taken in the same read. The file must still be the one that was measured.
int OpenAndDigest(UploadContext& task) {
    auto file = std::make_unique<platform::InputFile>();
    if (const int error = file->Open(task.m_Path); error != 0)
        return FailFile(task, platform::IsNotFoundError(error) ? kFileNotFound : kFileLocked,
                        u"ERROR_CODE=" + platform::Utf8ToWide(std::to_string(error)));
    task.m_File = std::move(file);
    FileDigests digests;
    if (task.m_File->OpenedVersion().size != task.m_FileSize ||
        !DigestFile(*task.m_File, task.m_FileSize, ExpectedSegmentSize(), digests) ||
        task.m_File->ChangedSinceOpen())
        return FailFile(task, kUploadFailed, u"DESC=the file changed while it was read");
    task.m_FileEntry.m_Md5 = std::move(digests.whole);
    task.m_SegDigestSize = digests.segSize;
    task.m_SegDigests = std::move(digests.segments);
    task.m_FileEntry.m_Size = task.m_FileSize;
    return kUploadOk;
}

void CopyCredentials(UploadContext& task) {
    const UploadCredentials credentials = GetUploadCredentials(task.m_UploadKind);
    task.m_Tstr = credentials.Tstr;
    task.m_Secret = credentials.Secret;
}

}  // namespace

namespace detail {

int TransferFile(UploadContext& task) {
    int result = AuthorizeUpload(task.m_UploadKind, task.m_hStopEvent.get());
    if (result != kUploadOk) {
        task.m_TransferStatus = kTransferFailed;
        return result;
    }
    CopyCredentials(task);
    if (task.m_FileEntry.m_IsFolder)  // an anonymous upload cannot make folders
        return FailFile(task, kUploadFailed, u"DESC=a folder cannot be uploaded anonymously");
    if ((result = OpenAndDigest(task)) != kUploadOk)
        return result;
    result = UploadData(task);
    task.m_File.reset();
    if (!IsTransferFailed(task.m_TransferStatus) && !task.m_Finished) {
        // The dialogue ended without the service confirming the file: not an upload.
        task.m_TransferStatus = kTransferFailed;
        return result == kUploadOk ? kUploadFailed : result;
    }
    if (!IsTransferFailed(task.m_TransferStatus) && task.m_UploadKind == kAccountUpload) {
        const int registered = RegisterRemote(task.m_FileEntry, task);
        if (registered != kUploadOk) {
            task.m_TransferStatus = kTransferFailed;
            result = registered;
        }
    }
    return result;
}

}  // namespace detail

int UploadFile(UploadContext& task) {
    if (!StartRun(task))
        return kUploadFailed;
    if (const auto refused = RefuseByLimits(task))
        return *refused;
    if (task.m_UploadKind == kAccountUpload) {
        if (const int made = MakeRemoteFolders(task); made != kUploadOk)
            return made;
    }
    DescribeLocal(task.m_FileEntry, task.m_Path);
    if (task.m_UploadKind == kAccountUpload && task.m_FileEntry.m_IsFolder)
        return RegisterFolderTask(task);
    return Conclude(task, TransferFile(task));
}

}  // namespace upload
