#include "control_request.h"
#include "json/json.h"
#include "log/log_events.h"
#include "platform/text.h"
#include "reply_json.h"
#include "transfer_support.h"
#include "upload/digest.h"
#include "upload/result_codes.h"
#include "upload/transfer.h"

namespace upload {

using namespace detail;

namespace {

// The task's m_Stage is 3 while the fast upload runs (for the batches' speed sampling).
class FastStage {
public:
    explicit FastStage(intake::UploadContext& task) : m_Task(task) { m_Task.m_Stage = 3; }
    ~FastStage() { m_Task.m_Stage = 0; }
    FastStage(const FastStage&) = delete;
    FastStage& operator=(const FastStage&) = delete;

private:
    intake::UploadContext& m_Task;
};

struct FastReply {
    std::string command;
    std::string upstat;
    std::string value;  // kdw_path (FIN) or kdw_range (anything but UPSTAT)
};

FastReply ReadFastReply(const Script::JsonObject& reply) {
    FastReply read;
    read.command = MemberText(reply, "kdw_upcmd");
    if (read.command == "UPSTAT") {
        read.upstat = MemberText(reply, "kdw_upstat");
        if (read.upstat == "FIN")
            read.value = MemberText(reply, "kdw_path");
    } else {
        read.value = MemberText(reply, "kdw_range");
    }
    return read;
}

}  // namespace

int UploadFast(UploadRun& run, const std::string& segId, const std::string& range) {
    FastStage stage(run.m_Task);
    const auto absolute = ResolveRange(run, segId, range);
    if (!absolute) {
        LogFailure(log_events::kUploadFast, u"DESC=UploadFast range error!",
                   u"range=" + platform::AnsiToWide(range), FilePathText(run.m_Task));
        FailTransfer(run);
        return kUploadFailed;
    }
    UploadRequestArgs args;
    args.Kind = UploadRequestKind::Fast;
    args.Ts = TimeStamp();
    args.Range = range;
    args.SegId = segId;
    args.Fcon = RangeDigest(run, absolute->Text());
    FastReply reply;
    const ControlResult sent =
        SendControlRequest(run, args, u"/up/up_retcon", kFastTexts,
                           [&](const Script::JsonObject& json) { reply = ReadFastReply(json); });
    if (sent.result != 0)
        return sent.result;
    if (reply.command == "UPSTAT" && reply.upstat == "FIN") {
        FinishUpload(run, reply.value);
        return kUploadOk;
    }
    if (reply.command == "UPSTAT") {
        // Not finished, and nothing asked for: the file did not arrive.
        LogFailure(kFastTexts.replyEvent, u"DESC=UploadFast reply without the file!",
                   BodyText(sent.body), FilePathText(run.m_Task));
        FailTransfer(run);
        return kUploadFailed;
    }
    return UploadBlock(run, segId, reply.value);
}

}  // namespace upload
