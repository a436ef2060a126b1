#include "send/service_probe.h"

#include <curl/curl.h>

#include <memory>

#include "platform/text.h"
#include "settings/service_hosts.h"

namespace probe {

std::string HostAddress(const settings::ServiceHost& host) {
    const std::string name = platform::WideToUtf8(host.host);
    const bool ipv6 = name.find(':') != std::string::npos;
    return (ipv6 ? "[" + name + "]" : name) + ":" + std::to_string(host.port);
}

std::string WhyUnreachable(const settings::ServiceHost& host, uint32_t timeoutMs) {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   &curl_easy_cleanup);
    if (!curl)
        return "the connection could not be tried";
    const std::string url =
        std::string(host.https ? "https://" : "http://") + HostAddress(host) + "/";
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    switch (curl_easy_perform(curl.get())) {
        case CURLE_OK:
            return {};
        case CURLE_COULDNT_CONNECT:
            return "connection refused";
        case CURLE_OPERATION_TIMEDOUT:
            return "timed out";
        case CURLE_COULDNT_RESOLVE_HOST:
            return "host name not found";
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return "the secure connection failed";
        default:
            return "the connection failed";
    }
}

}  // namespace probe
