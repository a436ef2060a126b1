#pragma once

// The service's hosts are settings under software\Norvel ("API_HOST", "WEB_HOST",
// "DOWNLOAD_HOST", "LOGIN_HOST"), each written as "host", "host:port", or a full
// "http://" or "https://" base. A missing or unusable value means the substitute service
// on this machine.

#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::u16string_view kDefaultServiceHost = u"127.0.0.1:17890";

struct ServiceHost {
    bool https = false;
    std::u16string host;      // name or address; an IPv6 address without brackets
    uint16_t port = 80;       // 80 (443 for https) when none is given
    std::u16string basePath;  // path prefix of a full base, without a trailing "/"; usually ""

    bool operator==(const ServiceHost&) const = default;
};

// Parses a host setting; false when the text is empty or not a usable host.
[[nodiscard]] bool ParseServiceHost(std::u16string_view text, ServiceHost& out);

ServiceHost GetApiHost();       // the sync API host
ServiceHost GetWebHost();       // the main web host (web disk pages, statistics)
ServiceHost GetDownloadHost();  // the download host (share links)
ServiceHost GetLoginHost();     // the login host (login and registration pages)

// "http://host:port" + base path, for web addresses that open in the browser.
std::u16string BaseUrl(const ServiceHost& host);

}  // namespace settings
