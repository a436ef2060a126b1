#include "control_request.h"
#include "json/json.h"
#include "platform/input_file.h"
#include "reply_json.h"
#include "transfer_support.h"
#include "upload/result_codes.h"
#include "upload/transfer.h"

namespace upload {

using namespace detail;

namespace {

// What the upload-start reply asks for.
struct InitReply {
    std::string command;
    std::string upstat;
    std::string value;  // kdw_path (FIN), kdw_range (REQTBLK, REQTCON), kdw_segsize (REQTSEG)
};

InitReply ReadInitReply(const Script::JsonObject& reply) {
    InitReply read;
    read.command = MemberText(reply, "kdw_upcmd");
    if (read.command == "UPSTAT") {
        read.upstat = MemberText(reply, "kdw_upstat");
        if (read.upstat == "FIN")
            read.value = MemberText(reply, "kdw_path");
    } else if (read.command == "REQTBLK" || read.command == "REQTCON") {
        read.value = MemberText(reply, "kdw_range");
    } else if (read.command == "REQTSEG") {
        read.value = MemberText(reply, "kdw_segsize");
    }
    return read;
}

// A reply that ends the dialogue without the file: a failure, never a completed upload.
int FailUnfinished(UploadRun& run, std::string_view body) {
    LogFailure(kInitTexts.replyEvent, u"DESC=UploadData reply without the file!", BodyText(body),
               FilePathText(run.m_Task));
    FailTransfer(run);
    return kUnexpectedCommand;
}

}  // namespace

int UploadData(UploadRun& run) {
    UploadRequestArgs args;
    args.Kind = UploadRequestKind::Init;
    args.Ts = TimeStamp();
    InitReply reply;
    const ControlResult sent =
        SendControlRequest(run, args, u"/up/up_init", kInitTexts,
                           [&](const Script::JsonObject& json) { reply = ReadInitReply(json); });
    if (sent.result != 0)
        return sent.result;

    int result = kUploadOk;
    if (reply.command == "UPSTAT" && reply.upstat == "FIN")
        FinishUpload(run, reply.value);  // the service holds the file: nothing is sent
    else if (reply.command == "REQTBLK")
        result = UploadBlock(run, {}, reply.value);  // whole file in blocks, whatever its size
    else if (reply.command == "REQTCON")
        result = UploadFast(run, {}, reply.value);
    else if (reply.command == "REQTSEG")
        result = UploadSeg(run, reply.value);
    else
        result = FailUnfinished(run, sent.body);
    run.m_File.reset();
    return result;
}

}  // namespace upload
