#include "upload_channel.h"

#include "net/async_http_channel.h"
#include "net/transport_timings.h"
#include "settings/service_hosts.h"
#include "upload/credentials.h"

namespace upload::detail {

ChannelStep OpenUploadChannel(net::AsyncHttpChannel& channel, intake::UploadContext& task,
                              std::u16string_view path) {
    if (!channel.Create(task.m_hStopEvent.get()) || !channel.Open(u"Norvel"))
        return ChannelStep::OpenFailed;
    channel.SetTimeout(net::GetTransportTimings().uploadTimeoutMs);
    channel.ApplyOptions();
    if (!channel.AttachCallback())
        return ChannelStep::OpenFailed;
    // The upload host may carry a port ("127.0.0.1:8080"); port 80 when it has none.
    settings::ServiceHost host;
    if (!settings::ParseServiceHost(GetUploadCredentials(task.m_UploadKind).UploadHost, host) ||
        !channel.Connect(host))
        return ChannelStep::ConnectFailed;
    if (!channel.OpenRequest(u"POST", path))
        return ChannelStep::RequestFailed;
    return ChannelStep::Ready;
}

}  // namespace upload::detail
