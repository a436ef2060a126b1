#include "control_request.h"

#include <memory>

#include "json/json.h"
#include "log/log_events.h"
#include "net/async_http_channel.h"
#include "platform/text.h"
#include "reply_json.h"
#include "transfer_support.h"
#include "upload/result_codes.h"
#include "upload_channel.h"

namespace upload::detail {

using namespace log_events;

const ControlTexts kInitTexts{kUploadCallInterFace,
                              u"UploadData",
                              u"DESC=/up/up_init HttpOpenRequest error!",
                              u"DESC=UploadData feedback data error!",
                              u"DESC=UploadData feedback code error!",
                              u"DESC=UploadData Json error!"};
const ControlTexts kFastTexts{kUploadFast,
                              u"UploadFast",
                              u"DESC=UploadFast Request error!",
                              u"DESC=UploadFast feedback data error!",
                              u"DESC=UploadFast feedback data error!",
                              u"DESC=UploadData Json error!"};
const ControlTexts kSegInfoTexts{kUploadSeg,
                                 u"UploadSeg",
                                 u"DESC=UploadSeg Request error!",
                                 u"DESC=UploadSeg json error!",
                                 u"DESC=UploadSeg feedback code error!",
                                 u"DESC=UploadSeg json error!"};

namespace {

constexpr size_t kReplyBuffer = 51200;  // the largest reply of the dialogue, and its zero

ControlResult Failed(UploadRun& run, int result) {
    FailTransfer(run);
    return ControlResult{result, {}};
}

// The channel could not be made, connected or given the request.
ControlResult FailOpening(UploadRun& run, ChannelStep step, const ControlTexts& texts,
                          std::string_view headers) {
    const intake::UploadContext& task = run.m_Task;
    if (step == ChannelStep::RequestFailed && texts.replyEvent == kUploadCallInterFace)
        LogFailure(kUploadSetHeader, texts.requestFailed,
                   u"strHttpHeader=" + platform::AnsiToWide(headers), u"up_init error");
    else if (step == ChannelStep::RequestFailed)
        LogFailure(texts.replyEvent, texts.requestFailed, FilePathText(task));
    else
        LogFailure(texts.replyEvent, u"DESC=" + std::u16string(texts.name) + u" Connect error!",
                   FilePathText(task));
    return Failed(run, kUploadFailed);
}

// Sends the request; a failed send or end is logged and the status tells the rest.
void Exchange(net::AsyncHttpChannel& channel, const std::string& headers, const std::string& body) {
    if (!channel.SendRequest(platform::AnsiToWide(headers), body))
        LogFailure(kUploadSendRequest, u"DESC=send HTTP Request  error!",
                   u"strHttpHeader+strKdwBody=" + platform::AnsiToWide(headers + body));
    if (!channel.EndRequest())
        LogFailure(kUploadEndRequst, u"DESC=end HTTP Request  error!");
}

std::string ReadReply(net::AsyncHttpChannel& channel, bool& ok) {
    const auto buffer = std::make_unique<char[]>(kReplyBuffer);
    size_t length = 0;
    ok = channel.ReadOnce(buffer.get(), kReplyBuffer, length);
    return std::string(buffer.get(), length);
}

// What became of a reply that came back: 0 when it was read, else the failure, logged.
int TakeReply(const UploadRun& run, const ControlTexts& texts, int status, bool readOk,
              const std::string& reply,
              const std::function<void(const Script::JsonObject&)>& read) {
    const std::u16string path = FilePathText(run.m_Task);
    if (status != 200) {
        LogFailure(texts.replyEvent, texts.statusFailed,
                   u"errorcode=" + platform::Utf8ToWide(std::to_string(status)), BodyText(reply),
                   path);
        // Nothing came back at all: the request timed out (or could not be made).
        return status == 0 ? kNoReply : kUploadFailed;
    }
    if (!readOk) {
        LogFailure(texts.replyEvent, texts.readFailed, BodyText(reply), path);
        return kUploadFailed;
    }
    if (!ReadJsonReply(reply, read)) {
        LogFailure(texts.replyEvent, texts.jsonFailed, BodyText(reply), path);
        return kUploadFailed;
    }
    return kUploadOk;
}

}  // namespace

ControlResult SendControlRequest(UploadRun& run, UploadRequestArgs& args, std::u16string_view path,
                                 const ControlTexts& texts,
                                 const std::function<void(const Script::JsonObject&)>& read) {
    args.Key = BuildSignature(args, run);
    const std::string body = BuildFormBody(args, run);
    const std::string headers = BuildHeaders(args.Kind, run);

    net::AsyncHttpChannel channel;
    const ChannelStep step = OpenUploadChannel(channel, run.m_Task, path);
    if (step != ChannelStep::Ready)
        return FailOpening(run, step, texts, headers);
    Exchange(channel, headers, body);
    const int status = channel.QueryStatusCode();
    bool readOk = false;
    std::string reply = ReadReply(channel, readOk);
    channel.Close();
    if (const int result = TakeReply(run, texts, status, readOk, reply, read); result != kUploadOk)
        return Failed(run, result);
    return ControlResult{kUploadOk, std::move(reply)};
}

}  // namespace upload::detail
