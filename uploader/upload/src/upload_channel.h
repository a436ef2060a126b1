#pragma once

// A channel for one request of the upload dialogue: opened with the agent "Norvel", the
// upload time-out of the transport timings, the task's stop event, connected to the
// upload host of the task's kind, with the POST request to the path opened.

#include <string_view>

#include "intake/upload_context.h"

namespace net {
class AsyncHttpChannel;
}

namespace upload::detail {

enum class ChannelStep {
    Ready,          // the request is open
    OpenFailed,     // the channel could not be made (or the task was stopped)
    ConnectFailed,  // no usable upload host
    RequestFailed,  // the request could not be opened
};

ChannelStep OpenUploadChannel(net::AsyncHttpChannel& channel, intake::UploadContext& task,
                              std::u16string_view path);

}  // namespace upload::detail
