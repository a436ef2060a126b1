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

int FailSegments(UploadRun& run, std::u16string_view cause, std::u16string_view data) {
    LogFailure(kUploadSeg, cause, data, FilePathText(run.m_Task));
    FailTransfer(run);
    return kUploadFailed;
}

// One pass over the segments: each entry that the service names now is sent (blocks, from
// the range the service asked for in it) or offered (fast upload, the range of the segment
// list's reply). False when the service named no entry of the list.
bool RunPass(UploadRun& run, const std::string& range, bool fast, CBlockPrefetch& prefetch,
             int& result) {
    bool named = false;
    for (size_t i = 0; i < run.m_Segments.size() && !run.m_Finished; ++i) {
        const SegmentEntry& entry = run.m_Segments[i];
        if (entry.fileid != run.m_CurrentSegId)
            continue;
        named = true;
        if (fast) {
            // Only the transfer status decides whether another pass follows.
            UploadFast(run, entry.fileid, range);
            if (IsStopped(run.m_Task))
                break;
            continue;
        }
        const int sent = UploadBlocks(run, entry.fileid, run.m_CurrentSegRange, prefetch);
        if (sent != 0) {
            LogFailure(kUploadSeg, u"DESC=UploadSeg seg failure",
                       u"seg=" + platform::AnsiToWide(entry.range), FilePathText(run.m_Task));
            FailTransfer(run);
            result = sent;
            return true;
        }
        run.m_SegDoneBase += static_cast<uint64_t>(entry.size);
    }
    return named;
}

// Passes while the service moves from segment to segment (transfer status above 3 after
// a pass), bounded: a service that never finishes cannot keep the file forever.
int RunPasses(UploadRun& run, const std::string& range, bool fast) {
    const size_t passes = fast ? kMaxFastPasses : run.m_Segments.size() + 1;
    // One read ahead for all segments: the first block of a segment is read while the
    // last one of the segment before goes out.
    CBlockPrefetch prefetch;
    for (size_t pass = 0; pass < passes; ++pass) {
        int result = kUploadOk;
        if (!RunPass(run, range, fast, prefetch, result))
            return FailSegments(run, u"DESC=UploadSeg segment not in the list!",
                                u"kdw_fid=" + platform::AnsiToWide(run.m_CurrentSegId));
        if (result != kUploadOk)
            return result;
        if (run.m_Finished)
            return kUploadOk;
        if (!IsTransferFailed(run.m_Task.m_TransferStatus) || IsStopped(run.m_Task))
            break;
    }
    return FailSegments(run, u"DESC=UploadSeg upload not finished!", {});
}

}  // namespace

int UploadSeg(UploadRun& run, std::string_view segSize) {
    if (!PushSegList(run, segSize))
        return FailSegments(run, u"DESC=UploadSeg segment list error!",
                            u"kdw_segsize=" + platform::AnsiToWide(segSize));
    run.m_SegDoneBase = 0;
    UploadRequestArgs args;
    args.Kind = UploadRequestKind::SegInfo;
    args.Ts = TimeStamp();
    SegInfoReply reply;
    const ControlResult sent =
        SendControlRequest(run, args, u"up/up_seginfo", kSegInfoTexts,
                           [&](const Script::JsonObject& json) { reply = ReadSegInfoReply(json); });
    if (sent.result != 0)
        return sent.result;
    if (reply.command == "REQTBLK" || reply.command == "REQTCON") {
        run.m_CurrentSegId = reply.fid;
        run.m_CurrentSegRange = reply.value;
        return RunPasses(run, reply.value, reply.command == "REQTCON");
    }
    if (reply.command == "UPSTAT" && reply.upstat == "FIN") {
        FinishUpload(run, reply.value);  // the file arrived meanwhile (another upload of it)
        return kUploadOk;
    }
    LogFailure(kUploadSeg, u"DESC=UploadSeg reply without the file!", BodyText(sent.body),
               FilePathText(run.m_Task));
    FailTransfer(run);
    return kUnexpectedCommand;
}

}  // namespace upload
