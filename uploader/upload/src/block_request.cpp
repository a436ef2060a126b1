#include "block_request.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "block_prefetch.h"
#include "log/log_events.h"
#include "net/async_http_channel.h"
#include "net/internet_errors.h"
#include "platform/files.h"
#include "platform/input_file.h"
#include "platform/text.h"
#include "tools/random_token.h"
#include "transfer_support.h"
#include "upload/engine_timings.h"
#include "upload/request_params.h"
#include "upload/result_codes.h"
#include "upload/speed_limit.h"
#include "upload/transfer.h"
#include "upload_channel.h"

namespace upload::detail {

using log_events::kUploadBlock;

namespace {

constexpr size_t kReplyBuffer = 51200;     // the largest reply, and its zero
constexpr size_t kErrorReplyBuffer = 513;  // what is read of a refusal
constexpr int kResendAttempts = 3;

// A block ready to go: the header block and the whole body, built once in one buffer
// (head, the range's bytes, closing) and kept for sending it again.
struct BlockBody {
    std::string headers;
    std::unique_ptr<char[]> bytes;
    size_t capacity = 0;  // of bytes
    size_t at = 0;        // where the body starts in bytes
    size_t size = 0;
    BodyLayout layout;

    std::string_view Body() const { return {bytes.get() + at, size}; }
};

BlockReply Fail(UploadRun& run, int result, std::u16string_view cause,
                std::u16string_view detail = {}) {
    if (detail.empty())
        LogFailure(kUploadBlock, cause, FilePathText(run.m_Task));
    else
        LogFailure(kUploadBlock, cause, detail, FilePathText(run.m_Task));
    FailTransfer(run);
    return BlockReply{result, {}};
}

// The stop that ends a block is the user's or the library's: no failure to report.
BlockReply Stopped(UploadRun& run) {
    FailTransfer(run);
    return BlockReply{kUploadFailed, {}};
}

// Reads the block's content into the body, unless it was read ahead already (`content`
// null). The bytes sent are always the file's own: a file that shrank, changed or
// vanished since it was opened fails instead, whenever its bytes were read.
std::optional<BlockReply> ReadContent(UploadRun& run, const ByteRange& range, char* content) {
    if (!run.m_File)
        return Fail(run, kUploadFailed, u"DESC=UploadBlock file not open!");
    if (!platform::GetAttributes(run.m_Task.m_Path))
        return Fail(run, kFileNotFound, u"DESC=UploadBlock file no longer exists!");
    const bool read = !content || run.m_File->ReadAt(range.start, content, range.Length()) ==
                                      static_cast<int64_t>(range.Length());
    if (!read || run.m_File->ChangedSinceOpen())
        return Fail(run, kUploadFailed, u"DESC=UploadBlock file changed during the upload!");
    return std::nullopt;
}

// Puts the content read ahead into the block, the head in front of it and the closing
// behind it, when it is the content of `range` and both fit; false otherwise.
bool UseReadAhead(CBlockPrefetch& prefetch, const ByteRange& range, const std::string& head,
                  const std::string& closing, BlockBody& block) {
    auto buffer = prefetch.Take(range, block.capacity);
    if (!buffer || head.size() > CBlockPrefetch::kHeadRoom ||
        closing.size() > CBlockPrefetch::kTailRoom)
        return false;
    block.bytes = std::move(buffer);
    block.at = CBlockPrefetch::kHeadRoom - head.size();
    char* start = block.bytes.get() + block.at;
    std::copy(head.begin(), head.end(), start);
    std::copy(closing.begin(), closing.end(), start + head.size() + block.layout.contentSize);
    return true;
}

std::optional<BlockReply> BuildBlock(UploadRun& run, const std::string& segId,
                                     const std::string& range, BlockBody& block,
                                     CBlockPrefetch& prefetch) {
    const auto absolute = ResolveRange(run, segId, range);
    if (!absolute)
        return Fail(run, kUploadFailed, u"DESC=UploadBlock range error!",
                    u"range=" + platform::AnsiToWide(range));
    run.m_Boundary = "----------7b" + tools::RandomToken();
    UploadRequestArgs args;
    args.Kind = UploadRequestKind::Block;
    args.Ts = TimeStamp();
    args.Range = range;
    args.SegId = segId;
    args.Key = BuildSignature(args, run);
    const std::string head = BuildMultipartHead(args, run);
    const std::string closing = MultipartClosing(run);
    // The range is at most kMaxBlockBytes long: the memory of a block is bounded.
    block.layout = BodyLayout{head.size(), static_cast<size_t>(absolute->Length())};
    block.size = head.size() + block.layout.contentSize + closing.size();
    if (UseReadAhead(prefetch, *absolute, head, closing, block)) {
        if (auto failed = ReadContent(run, *absolute, nullptr))
            return failed;
    } else {
        block.bytes = std::make_unique_for_overwrite<char[]>(block.size);
        block.capacity = block.size;
        char* out = std::copy(head.begin(), head.end(), block.bytes.get());
        if (auto failed = ReadContent(run, *absolute, out))
            return failed;
        std::copy(closing.begin(), closing.end(), out + block.layout.contentSize);
    }
    block.headers = BuildHeaders(UploadRequestKind::Block, run);
    return std::nullopt;
}

// Starts reading the block the service is expected to ask for next: the range that
// follows `range` in its unit, of the same length, or, after the last block of a segment,
// the first block of that length of the next segment.
void ReadFollowingAhead(UploadRun& run, const std::string& segId, const std::string& range,
                        CBlockPrefetch& prefetch) {
    const auto current = ParseByteRange(range);
    if (!current || !run.m_File)
        return;
    const ByteRange following{current->end + 1, current->end + current->Length()};
    if (const auto absolute = ResolveRange(run, segId, following.Text())) {
        prefetch.Start(*run.m_File, *absolute);
        return;
    }
    const auto& segments = run.m_Segments;
    for (size_t i = 0; !segId.empty() && i + 1 < segments.size(); ++i) {
        if (segments[i].fileid != segId)
            continue;
        if (const auto next = ParseByteRange(segments[i + 1].range))
            prefetch.Start(*run.m_File,
                           ByteRange{next->start, std::min(next->end, next->start + current->end -
                                                                          current->start)});
        return;
    }
}

// Reads the reply of a request that answered 200; empty when nothing could be read.
std::optional<std::string> ReadReply(net::AsyncHttpChannel& channel) {
    const auto buffer = std::make_unique<char[]>(kReplyBuffer);
    size_t length = 0;
    if (!channel.ReadOnce(buffer.get(), kReplyBuffer, length) || length == 0)
        return std::nullopt;
    return std::string(buffer.get(), length);
}

// Sends the whole block again, after a wait, up to three times, while the service answers
// anything but a readable 200. m_TransferStatus counts the attempts.
BlockReply SendAgain(UploadRun& run, const BlockBody& block, uint64_t doneBefore,
                     std::u16string_view giveUpCause) {
    intake::UploadContext& task = run.m_Task;
    task.m_TransferStatus = 0;
    for (int attempt = 0; attempt < kResendAttempts; ++attempt) {
        if (WaitOrStop(task, GetEngineTimings().resendWaitMs))
            return Stopped(run);
        ++task.m_TransferStatus;
        net::AsyncHttpChannel channel;
        if (OpenUploadChannel(channel, task, u"/up/up_blk") != ChannelStep::Ready ||
            !channel.SendRequest(platform::AnsiToWide(block.headers), block.Body()) ||
            !channel.EndRequest())
            return IsStopped(task) ? Stopped(run)
                                   : Fail(run, kUploadFailed, u"DESC=UploadBlock resend error!");
        task.m_DoneSize = doneBefore + block.layout.contentSize;
        NotifyProgress(task);
        if (channel.QueryStatusCode() != 200)
            continue;
        if (auto reply = ReadReply(channel))
            return BlockReply{kUploadOk, std::move(*reply)};
        LogFailure(kUploadBlock, u"DESC=UploadBlock reupload code error!", BodyText({}),
                   FilePathText(task));
    }
    return Fail(run, kUploadFailed, giveUpCause);
}

// How the first sending of a block went, before anything of it is logged: the file may
// be closed only once the read ahead has ended.
struct Exchange {
    enum Kind {
        Reply,
        NoReply,
        OpenFailed,
        ConnectFailed,
        WriteFailed,
        SendFailed,
        TimedOut,
        Refused,
        KeptConnectionClosed  // closed before the reply: to be sent again at once
    };
    explicit Exchange(Kind kind, int status = 0, uint32_t error = 0, std::string body = {})
        : kind(kind), status(status), error(error), body(std::move(body)) {}

    Kind kind;
    int status;
    uint32_t error;
    std::string body;  // the reply (Reply) or what was read of a refusal (Refused)
};

Exchange SendOnce(intake::UploadContext& task, const BlockBody& block, bool keptConnection) {
    net::AsyncHttpChannel channel;
    channel.SetStreamOnKeptConnection(keptConnection);
    const ChannelStep step = OpenUploadChannel(channel, task, u"/up/up_blk");
    if (step == ChannelStep::RequestFailed)
        return Exchange(Exchange::OpenFailed);
    if (step != ChannelStep::Ready)
        return Exchange(Exchange::ConnectFailed);
    const int streamed = StreamBody(channel, task, block.headers, block.Body(), block.layout);
    if (streamed != kStreamSent && channel.LastError() == net::ERROR_INTERNET_FORCE_RETRY)
        return Exchange(Exchange::KeptConnectionClosed);
    if (streamed == kStreamWriteFailed)
        return Exchange(Exchange::WriteFailed);
    if (streamed == kStreamSendFailed) {
        const uint32_t error = channel.LastError();
        return Exchange(
            error == net::ERROR_INTERNET_TIMEOUT ? Exchange::TimedOut : Exchange::SendFailed, 0,
            error);
    }
    const int status = channel.QueryStatusCode();
    if (status != 200) {
        const auto buffer = std::make_unique<char[]>(kErrorReplyBuffer);
        size_t length = 0;
        (void)channel.ReadOnce(buffer.get(), kErrorReplyBuffer, length);
        return Exchange(Exchange::Refused, status, 0, std::string(buffer.get(), length));
    }
    if (auto reply = ReadReply(channel))
        return Exchange(Exchange::Reply, status, 0, std::move(*reply));
    return Exchange(Exchange::NoReply);
}

BlockReply Conclude(UploadRun& run, const BlockBody& block, uint64_t doneBefore,
                    const Exchange& sent) {
    const intake::UploadContext& task = run.m_Task;
    switch (sent.kind) {
        case Exchange::Reply:
            return BlockReply{kUploadOk, sent.body};
        case Exchange::OpenFailed:
            return Fail(run, kUploadFailed, u"DESC=UploadBlock OpenRequest error!");
        case Exchange::ConnectFailed:
            return IsStopped(task) ? Stopped(run)
                                   : Fail(run, kUploadFailed, u"DESC=UploadBlock Connect error!");
        case Exchange::WriteFailed:
            return IsStopped(task)
                       ? Stopped(run)
                       : Fail(run, kUploadFailed, u"DESC=UploadBlock InternetWriteFile error!");
        case Exchange::SendFailed:
            // Only a time-out is worth sending again; a cancelled task never is.
            if (IsStopped(task))
                return Stopped(run);
            return Fail(run, kUploadFailed, u"DESC=UploadBlock send error!",
                        u"ERROR_CODE=" + platform::Utf8ToWide(std::to_string(sent.error)));
        case Exchange::TimedOut:
            if (IsStopped(task))
                return Stopped(run);
            return SendAgain(run, block, doneBefore, u"DESC=UploadBlock reupload code error!");
        case Exchange::Refused:
            return Fail(run, sent.status == 0 ? kNoReply : kUploadFailed,
                        u"DESC=UploadBlock feedback code error!", BodyText(sent.body));
        case Exchange::NoReply:
        case Exchange::KeptConnectionClosed:
            break;
    }
    LogFailure(kUploadBlock, u"DESC=InternetReadFile NULL!", FilePathText(task));
    return SendAgain(run, block, doneBefore, u"DESC=UploadBlock relupload code error!");
}

}  // namespace

BlockReply SendBlock(UploadRun& run, const std::string& segId, const std::string& range,
                     CBlockPrefetch& prefetch) {
    BlockBody block;
    const std::string capped = CapRange(range, UploadSpeedLimit());
    if (auto failed = BuildBlock(run, segId, capped, block, prefetch))
        return std::move(*failed);
    const uint64_t doneBefore = run.m_Task.m_DoneSize;
    ReadFollowingAhead(run, segId, capped, prefetch);
    // A block goes on the connection its upload keeps, which spares a connection per block.
    // When the service closed that connection before answering, the block goes again at
    // once, on a connection of its own.
    Exchange sent = SendOnce(run.m_Task, block, true);
    if (sent.kind == Exchange::KeptConnectionClosed) {
        run.m_Task.m_DoneSize = doneBefore;
        sent = SendOnce(run.m_Task, block, false);
    }
    prefetch.Wait();
    BlockReply reply = Conclude(run, block, doneBefore, sent);
    prefetch.Recycle(std::move(block.bytes), block.capacity);
    return reply;
}

}  // namespace upload::detail
