#include "net/http_request.h"
#include "net/transport_timings.h"
#include "settings/service_hosts.h"

namespace net {

void InitRequestInfo(HttpRequestInfo& info, std::u16string_view host, uint16_t port,
                     std::u16string_view user, std::u16string_view password) {
    settings::ServiceHost plain;
    plain.host = host;
    plain.port = port;
    InitRequestInfo(info, plain, user, password);
}

void InitRequestInfo(HttpRequestInfo& info, const settings::ServiceHost& host,
                     std::u16string_view user, std::u16string_view password) {
    info.m_Method = u"POST";
    info.m_Host = host.host;
    info.m_Port = host.port;
    info.m_Https = host.https;
    info.m_BasePath = host.basePath;
    info.m_User = user;
    info.m_Password = password;
    info.m_StatusCode = -1;
    info.m_Timeout = GetTransportTimings().requestTimeoutMs;
}

}  // namespace net
