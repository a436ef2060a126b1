#include "net/http_request.h"

#include <cstring>
#include <vector>

#include "exchange_log.h"
#include "net/async_http_channel.h"
#include "net/auth_header.h"
#include "net/transport_timings.h"
#include "settings/service_hosts.h"

namespace net {
namespace {

constexpr size_t kDefaultChunk = 51200;         // read size when the reply names no length
constexpr size_t kMaxChunk = 1 << 20;           // a named length is read in pieces of at most this
constexpr size_t kMaxReply = size_t(64) << 20;  // replies are JSON texts; more is a broken server

constexpr std::u16string_view kConnectError = u"InternetConnect Error in HTTPRequest";
constexpr std::u16string_view kOpenError = u"HttpOpenRequest Error in HTTPRequest";

// How the two routines differ.
struct ExchangeStyle {
    std::u16string_view agent;
    uint32_t timeoutMs;
    platform::Event* stop;
    bool keepBrokenReply;  // a reply that broke off is still returned (with status -1)
};

settings::ServiceHost HostOf(const HttpRequestInfo& info) {
    settings::ServiceHost host;
    host.https = info.m_Https;
    host.host = info.m_Host;
    host.port = info.m_Port;
    host.basePath = info.m_BasePath;
    return host;
}

// The reply's Content-Length as the read size, else 51200 bytes.
size_t ChunkSize(const std::optional<std::string>& contentLength) {
    if (!contentLength || contentLength->empty())
        return kDefaultChunk;
    size_t value = 0;
    for (char c : *contentLength) {
        if (c < '0' || c > '9')
            return kDefaultChunk;
        value = value * 10 + size_t(c - '0');
        if (value > kMaxChunk)
            return kMaxChunk;
    }
    return value;
}

bool HasReadableBody(int status) {
    return status == 200 || status == 400 || status == 2;
}

// Reads the reply in chunks until a read yields nothing. A failing read sets the status
// to -1; what came so far is kept only when the style says so.
std::optional<std::string> ReadReply(AsyncHttpChannel& channel, HttpRequestInfo& info,
                                     bool keepBrokenReply) {
    if (!HasReadableBody(info.m_StatusCode))
        return std::nullopt;
    const size_t chunk = ChunkSize(channel.QueryHeader("Content-Length"));
    std::vector<char> buffer(chunk);
    std::string reply;
    for (;;) {
        size_t got = 0;
        if (!channel.Read(buffer.data(), chunk, got) || reply.size() + got > kMaxReply) {
            info.m_StatusCode = -1;
            if (!keepBrokenReply)
                return std::nullopt;
            break;
        }
        if (got == 0)
            break;
        reply.append(buffer.data(), got);
    }
    return reply;
}

ReplyBuffer ToBuffer(const std::optional<std::string>& reply, size_t& length) {
    length = 0;
    if (!reply)
        return nullptr;
    ReplyBuffer buffer(new char[reply->size() + 1]);
    std::memcpy(buffer.get(), reply->data(), reply->size());
    buffer[reply->size()] = '\0';
    length = reply->size();
    return buffer;
}

// What one call sends.
struct Request {
    std::u16string_view headers;
    std::u16string_view path;
    std::optional<std::string_view> body;
};

// One pass: a new channel with the request signed, sent and its reply head in. Null on
// failure, which is logged here; signedHeaders is what was sent.
std::unique_ptr<AsyncHttpChannel> SendSigned(const ExchangeStyle& style,
                                             const HttpRequestInfo& info, const Request& request,
                                             std::u16string& signedHeaders) {
    auto channel = std::make_unique<AsyncHttpChannel>();
    channel->Create(style.stop);
    channel->SetTimeout(style.timeoutMs);
    if (!channel->Open(style.agent) || !channel->ApplyOptions() || !channel->AttachCallback())
        return nullptr;
    if (!channel->Connect(HostOf(info), info.m_User, info.m_Password)) {
        LogUnreachable(channel->LastError(), kConnectError, request.headers, request.body);
        return nullptr;
    }
    if (!channel->OpenRequest(info.m_Method, request.path)) {
        LogUnreachable(channel->LastError(), kOpenError, request.headers, request.body);
        return nullptr;
    }
    signedHeaders = AddAuthHeader(request.headers);
    if (!channel->SendRequest(signedHeaders, request.body.value_or(std::string_view())) ||
        !channel->EndRequest()) {
        // The connection is made while the request is sent: a host that cannot be
        // reached fails here and is logged as the connection failure it is.
        if (channel->ConnectFailed())
            LogUnreachable(channel->LastError(), kConnectError, request.headers, request.body);
        else
            LogExchange(-1, signedHeaders, request.body, std::nullopt);
        return nullptr;
    }
    return channel;
}

ReplyBuffer Exchange(const ExchangeStyle& style, const Request& request, HttpRequestInfo& info,
                     size_t& replyLength) {
    replyLength = 0;
    info.m_StatusCode = -1;
    std::u16string signedHeaders;
    std::unique_ptr<AsyncHttpChannel> channel;
    // A 401 carries the server's new nonce: the request is signed with it and sent once more.
    for (int pass = 0; pass < 2; ++pass) {
        channel = SendSigned(style, info, request, signedHeaders);
        if (!channel)
            return nullptr;
        info.m_StatusCode = channel->QueryStatusCode();
        if (info.m_StatusCode != 401)
            break;
        SetServerNonce(NonceFromAuthHeader(channel->QueryHeader("KDW-Auth").value_or("")));
    }
    const std::optional<std::string> reply = ReadReply(*channel, info, style.keepBrokenReply);
    channel->Close();
    LogExchange(info.m_StatusCode, signedHeaders, request.body, reply);
    return ToBuffer(reply, replyLength);
}

}  // namespace

ReplyBuffer HTTPRequest(std::u16string_view headers, size_t& replyLength, HttpRequestInfo& info,
                        std::u16string_view path, std::optional<std::string_view> body) {
    const ExchangeStyle style{u"Norvel_Flinga", info.m_Timeout, nullptr, true};
    return Exchange(style, {headers, path, body}, info, replyLength);
}

ReplyBuffer GetJSONDataFromURL(std::u16string_view headers, size_t& replyLength,
                               HttpRequestInfo& info, std::u16string_view path,
                               std::optional<std::string_view> body, platform::Event* stopEvent) {
    const ExchangeStyle style{u"Norvel_uploader", GetTransportTimings().requestTimeoutMs, stopEvent,
                              false};
    return Exchange(style, {headers, path, body}, info, replyLength);
}

}  // namespace net
