#include "block_prefetch.h"
#include "block_request.h"
#include "control_request.h"
#include "json/json.h"
#include "log/log_events.h"
#include "platform/text.h"
#include "reply_json.h"
#include "transfer_support.h"
#include "upload/result_codes.h"
#include "upload/transfer.h"

namespace upload {

using namespace detail;
using log_events::kUploadSeg;

namespace {

struct SegInfoReply {
    std::string command;
    std::string upstat;
    std::string value;  // kdw_range (REQTBLK, REQTCON) or kdw_path (FIN)
    std::string fid;
};

SegInfoReply ReadSegInfoReply(const Script::JsonObject& reply) {
    SegInfoReply read;
    read.command = MemberText(reply, "kdw_upcmd");
    if (read.command == "REQTBLK" || read.command == "REQTCON") {
        read.value = MemberText(reply, "kdw_range");
        read.fid = MemberText(reply, "kdw_fid");
    } else if (read.command == "UPSTAT") {
        read.upstat = MemberText(reply, "kdw_upstat");
        if (read.upstat == "FIN")
            read.value = MemberText(reply, "kdw_path");
    }
    return read;
}

int FailSegments(intake::UploadContext& task, std::u16string_view cause, std::u16string_view data) {
    LogFailure(kUploadSeg, cause, data, FilePathText(task));
    FailTransfer(task);
    return kUploadFailed;
}

// One pass over the segments: each entry that the service names now is sent (blocks, from
// the range the service asked for in it) or offered (fast upload, the range of the segment
// list's reply). False when the service named no entry of the list.
bool RunPass(intake::UploadContext& task, const std::string& range, bool fast,
             CBlockPrefetch& prefetch, int& result) {
    bool named = false;
    for (size_t i = 0; i < task.m_Segments.size() && !task.m_Finished; ++i) {
        const intake::SegmentEntry& entry = task.m_Segments[i];
        if (entry.fileid != task.m_CurrentSegId)
            continue;
        named = true;
        if (fast) {
            // Only the transfer status decides whether another pass follows.
            UploadFast(task, entry.fileid, range);
            if (IsStopped(task))
                break;
            continue;
        }
        const int sent = UploadBlocks(task, entry.fileid, task.m_CurrentSegRange, prefetch);
        if (sent != 0) {
            LogFailure(kUploadSeg, u"DESC=UploadSeg seg failure",
                       u"seg=" + platform::AnsiToWide(entry.range), FilePathText(task));
            FailTransfer(task);
            result = sent;
            return true;
        }
        task.m_SegDoneBase += static_cast<uint64_t>(entry.size);
    }
    return named;
}

// Passes while the service moves from segment to segment (transfer status above 3 after
// a pass), bounded: a service that never finishes cannot keep the file forever.
int RunPasses(intake::UploadContext& task, const std::string& range, bool fast) {
    const size_t passes = fast ? kMaxFastPasses : task.m_Segments.size() + 1;
    // One read ahead for all segments: the first block of a segment is read while the
    // last one of the segment before goes out.
    CBlockPrefetch prefetch;
    for (size_t pass = 0; pass < passes; ++pass) {
        int result = kUploadOk;
        if (!RunPass(task, range, fast, prefetch, result))
            return FailSegments(task, u"DESC=UploadSeg segment not in the list!",
                                u"kdw_fid=" + platform::AnsiToWide(task.m_CurrentSegId));
        if (result != kUploadOk)
            return result;
        if (task.m_Finished)
            return kUploadOk;
        if (!IsTransferFailed(task.m_TransferStatus) || IsStopped(task))
            break;
    }
    return FailSegments(task, u"DESC=UploadSeg upload not finished!", {});
}

}  // namespace

int UploadSeg(intake::UploadContext& task, std::string_view segSize) {
    if (!PushSegList(task, segSize))
        return FailSegments(task, u"DESC=UploadSeg segment list error!",
                            u"kdw_segsize=" + platform::AnsiToWide(segSize));
    task.m_SegDoneBase = 0;
    UploadRequestArgs args;
    args.Kind = UploadRequestKind::SegInfo;
    args.Ts = TimeStamp();
    ControlResult sent = SendControlRequest(task, args, u"up/up_seginfo", kSegInfoTexts);
    if (sent.result != 0)
        return sent.result;
    SegInfoReply reply;
    try {
        reply = ReadSegInfoReply(*sent.reply);
    } catch (...) {
        return FailJsonReply(task, kSegInfoTexts, sent.body);
    }
    if (reply.command == "REQTBLK" || reply.command == "REQTCON") {
        task.m_CurrentSegId = reply.fid;
        task.m_CurrentSegRange = reply.value;
        return RunPasses(task, reply.value, reply.command == "REQTCON");
    }
    if (reply.command == "UPSTAT" && reply.upstat == "FIN") {
        FinishUpload(task, reply.value);  // the file arrived meanwhile (another upload of it)
        return kUploadOk;
    }
    LogFailure(kUploadSeg, u"DESC=UploadSeg reply without the file!", BodyText(sent.body),
               FilePathText(task));
    FailTransfer(task);
    return kUnexpectedCommand;
}

}  // namespace upload
