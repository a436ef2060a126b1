#include <algorithm>
#include <chrono>

#include "net/async_http_channel.h"
#include "platform/text.h"
#include "transfer_support.h"
#include "upload/speed_limit.h"
#include "upload/transfer.h"

namespace upload {

using namespace detail;

namespace {

// The content bytes among the body bytes [offset, offset + count).
uint64_t ContentBytes(size_t offset, size_t count, BodyLayout layout) {
    const size_t begin = std::max(offset, layout.headSize);
    const size_t end = std::min(offset + count, layout.headSize + layout.contentSize);
    return end > begin ? end - begin : 0;
}

uint64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

int StreamBody(net::AsyncHttpChannel& channel, intake::UploadContext& task,
               std::string_view headers, std::string_view body, BodyLayout layout) {
    const CSpeedPacer pacer(UploadSpeedLimit());
    if (!channel.SendRequest(platform::AnsiToWide(headers), {}, body.size()))
        return kStreamSendFailed;
    const auto start = std::chrono::steady_clock::now();
    for (size_t offset = 0; offset < body.size();) {
        const size_t piece = std::min(pacer.PieceSize(), body.size() - offset);
        size_t written = 0;
        if (!channel.Write(body.data() + offset, piece, written))
            return kStreamWriteFailed;
        task.m_DoneSize += ContentBytes(offset, written, layout);
        offset += written;
        NotifyProgress(task);
        const uint64_t delay = pacer.DelayMs(offset, MillisecondsSince(start));
        if (delay > 0 && WaitOrStop(task, static_cast<uint32_t>(delay)))
            return kStreamWriteFailed;
    }
    return channel.EndRequest() ? kStreamSent : kStreamSendFailed;
}

}  // namespace upload
