#pragma once

// The synchronous request routine of every server action (HTTPRequest) and its twin for
// the upload engine (GetJSONDataFromURL), which a task's stop event can cut short.
//
// One call sends one POST with the caller's header block plus the signing line, and when
// the server refuses it with 401 takes the nonce of the reply's "KDW-Auth" header and
// sends it once more, signed afresh. Replies of status 200, 400 (and 2) are read whole;
// any other status gives no reply. Each exchange is logged under "HTTPRequest" (request
// and reply with their secrets hidden); a server that cannot be reached is logged under
// "SYS_Connection".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class Event;
}
namespace settings {
struct ServiceHost;
}

namespace net {

// The request descriptor: filled by the caller (InitRequestInfo), changed by the call.
struct HttpRequestInfo {
    std::u16string m_Method = u"POST";
    std::u16string m_Host;  // host name or address of the endpoint
    uint16_t m_Port = 80;
    bool m_Https = false;       // the host speaks TLS
    std::u16string m_BasePath;  // path prefix of the host ("" or "/base")
    std::u16string m_User;      // connection credentials; empty unless the caller sets them
    std::u16string m_Password;
    int32_t m_StatusCode = -1;   // -1 before the call; then the reply's status, or -1 on failure
    uint32_t m_Timeout = 20000;  // milliseconds: connect, and each wait for bytes (HTTPRequest)
};

// Method "POST", status -1, the request time-out of the transport timings (20000 ms),
// and the given host and credentials.
void InitRequestInfo(HttpRequestInfo& info, std::u16string_view host, uint16_t port,
                     std::u16string_view user = {}, std::u16string_view password = {});
// The same for a configured host: port, https and base path included.
void InitRequestInfo(HttpRequestInfo& info, const settings::ServiceHost& host,
                     std::u16string_view user = {}, std::u16string_view password = {});

// A reply buffer: the reply bytes and a terminating zero; null when there is no reply.
using ReplyBuffer = std::unique_ptr<char[]>;

// Sends body (none when absent) to path on the descriptor's host with the header block
// (CR LF separated lines) and the signing line. Sets replyLength and info.m_StatusCode.
// A reply that broke off sets the status to -1 and returns what was read.
ReplyBuffer HTTPRequest(std::u16string_view headers, size_t& replyLength, HttpRequestInfo& info,
                        std::u16string_view path, std::optional<std::string_view> body);

// The same, cut short when stopEvent (may be null) or the process-wide abort event is
// set, with the request time-out of the transport timings (the descriptor's m_Timeout is
// not used). A reply that broke off, or a stop, gives status -1 and no reply.
ReplyBuffer GetJSONDataFromURL(std::u16string_view headers, size_t& replyLength,
                               HttpRequestInfo& info, std::u16string_view path,
                               std::optional<std::string_view> body, platform::Event* stopEvent);

}  // namespace net
