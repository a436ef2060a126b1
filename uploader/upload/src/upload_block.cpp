#include <algorithm>

#include "block_prefetch.h"
#include "block_request.h"
#include "json/json.h"
#include "log/log_events.h"
#include "reply_json.h"
#include "transfer_support.h"
#include "upload/result_codes.h"
#include "upload/transfer.h"

namespace upload {

using namespace detail;
using log_events::kUploadBlock;

namespace {

// A service that names the same range over and over again makes no progress; after this
// many blocks of one range the file fails instead of looping for ever.
constexpr int kMostRepeats = 3;

struct BlockAnswer {
    std::string command;
    std::string upstat;
    std::string path;   // kdw_path of FIN
    std::string range;  // the next range
    int64_t held = 0;   // kdw_fstat.RSIZE: bytes the service holds of the file or segment
    std::string fid;    // the file or segment the next range belongs to
};

BlockAnswer ReadBlockAnswer(const Script::JsonObject& reply) {
    BlockAnswer read;
    read.command = MemberText(reply, "kdw_upcmd");
    if (read.command == "UPSTAT") {
        read.upstat = MemberText(reply, "kdw_upstat");
        if (read.upstat == "FIN")
            read.path = MemberText(reply, "kdw_path");
        return read;
    }
    read.range = MemberText(reply, "kdw_range");
    read.held = LeadingInt64(MemberText(MemberValue(reply, "kdw_fstat"), "RSIZE"));
    read.fid = MemberText(reply, "kdw_fid");
    return read;
}

int FailAnswer(UploadRun& run, std::u16string_view cause, const std::string& body) {
    LogFailure(kUploadBlock, cause, BodyText(body), FilePathText(run.m_Task));
    FailTransfer(run);
    return kUploadFailed;
}

}  // namespace

int UploadBlock(UploadRun& run, const std::string& segId, const std::string& range) {
    CBlockPrefetch prefetch;
    return UploadBlocks(run, segId, range, prefetch);
}

int detail::UploadBlocks(UploadRun& run, const std::string& segId, const std::string& range,
                         CBlockPrefetch& prefetch) {
    intake::UploadContext& task = run.m_Task;
    std::string next = range;
    int repeats = 0;
    for (;;) {
        BlockReply sent = SendBlock(run, segId, next, prefetch);
        if (sent.result != kUploadOk)
            return sent.result;
        BlockAnswer answer;
        if (!ReadJsonReply(sent.body,
                           [&](const Script::JsonObject& json) { answer = ReadBlockAnswer(json); }))
            return FailAnswer(run, u"DESC=UploadBlock json error!", sent.body);
        if (answer.command == "UPSTAT") {
            if (answer.upstat != "FIN")
                return FailAnswer(run, u"DESC=UploadBlock reply without the file!", sent.body);
            FinishUpload(run, answer.path);
            return kUploadOk;
        }
        if (answer.held > 0)
            task.m_DoneSize =
                std::min(static_cast<uint64_t>(answer.held) + run.m_SegDoneBase, task.m_FileSize);
        task.m_TransferStatus = 0;
        if (!segId.empty() && answer.fid != segId) {
            // The service moved on to another segment; the segment loop sends it, from the
            // range this reply names.
            run.m_CurrentSegId = answer.fid;
            run.m_CurrentSegRange = answer.range;
            task.m_TransferStatus = kTransferFailed;
            return kUploadOk;
        }
        repeats = answer.range == next ? repeats + 1 : 0;
        if (repeats >= kMostRepeats)
            return FailAnswer(run, u"DESC=UploadBlock the same range again!", sent.body);
        next = answer.range;
    }
}

}  // namespace upload
