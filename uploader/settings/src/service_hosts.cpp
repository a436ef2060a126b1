#include "settings/service_hosts.h"

#include "settings/registry_values.h"
#include "tools/ascii_case.h"

namespace settings {
namespace {

bool ParsePort(std::u16string_view text, uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    uint32_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - u'0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool IsHostCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'.' || c == u'-' || c == u'_' || c == u':';
}

ServiceHost Configured(std::u16string_view name) {
    ServiceHost host;
    if (auto text = ReadString(kNorvelKey, name); text && ParseServiceHost(*text, host))
        return host;
    const bool parsed = ParseServiceHost(kDefaultServiceHost, host);
    (void)parsed;  // the default always parses
    return host;
}

}  // namespace

bool ParseServiceHost(std::u16string_view text, ServiceHost& out) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);

    ServiceHost parsed;
    if (tools::StartsWithAsciiNoCase(text, u"https://")) {
        parsed.https = true;
        parsed.port = 443;
        text.remove_prefix(8);
    } else if (tools::StartsWithAsciiNoCase(text, u"http://")) {
        text.remove_prefix(7);
    }

    // Split off a base path.
    if (const size_t slash = text.find(u'/'); slash != std::u16string_view::npos) {
        std::u16string_view path = text.substr(slash);
        while (!path.empty() && path.back() == u'/')
            path.remove_suffix(1);
        parsed.basePath = path;
        text = text.substr(0, slash);
    }

    std::u16string_view hostPart = text;
    if (!text.empty() && text.front() == u'[') {  // [IPv6]:port
        const size_t close = text.find(u']');
        if (close == std::u16string_view::npos)
            return false;
        hostPart = text.substr(1, close - 1);
        std::u16string_view rest = text.substr(close + 1);
        if (!rest.empty() && (rest.front() != u':' || !ParsePort(rest.substr(1), parsed.port)))
            return false;
    } else if (const size_t colon = text.rfind(u':'); colon != std::u16string_view::npos) {
        if (text.find(u':') != colon)  // a bare IPv6 address needs brackets
            return false;
        hostPart = text.substr(0, colon);
        if (!ParsePort(text.substr(colon + 1), parsed.port))
            return false;
    }
    if (hostPart.empty())
        return false;
    for (char16_t c : hostPart)
        if (!IsHostCharacter(c))
            return false;
    parsed.host = hostPart;
    out = std::move(parsed);
    return true;
}

ServiceHost GetApiHost() {
    return Configured(kApiHost);
}
ServiceHost GetWebHost() {
    return Configured(kWebHost);
}
ServiceHost GetDownloadHost() {
    return Configured(kDownloadHost);
}
ServiceHost GetLoginHost() {
    return Configured(kLoginHost);
}

std::u16string BaseUrl(const ServiceHost& host) {
    std::u16string url = host.https ? u"https://" : u"http://";
    const bool ipv6 = host.host.find(u':') != std::u16string::npos;
    url += ipv6 ? u"[" + host.host + u"]" : host.host;
    const uint16_t defaultPort = host.https ? 443 : 80;
    if (host.port != defaultPort) {
        url += u':';
        for (char c : std::to_string(host.port))
            url += static_cast<char16_t>(c);
    }
    return url + host.basePath;
}

}  // namespace settings
