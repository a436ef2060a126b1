#include "net/request_target.h"

#include "platform/text.h"
#include "settings/service_hosts.h"

namespace net {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool StaysAsItIs(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~!$&'()*+,;=:@/?").find(c) != std::string_view::npos;
}

void AppendEscaped(std::string_view bytes, std::string& out) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool escapeStart = c == '%' && i + 2 < bytes.size() && IsHexDigit(bytes[i + 1]) &&
                                 IsHexDigit(bytes[i + 2]);
        if (StaysAsItIs(c) || escapeStart) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
}

bool IsHostName(std::u16string_view host) {
    if (host.empty())
        return false;
    for (char16_t c : host) {
        const bool fits = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_' ||
                          c == u':';
        if (!fits)
            return false;
    }
    return true;
}

}  // namespace

std::string RequestTarget(std::u16string_view basePath, std::u16string_view path) {
    std::string target;
    AppendEscaped(platform::WideToUtf8(basePath), target);
    if (path.empty() || path.front() != u'/')
        target += '/';
    AppendEscaped(platform::WideToUtf8(path), target);
    return target;
}

std::string OriginOf(const settings::ServiceHost& host) {
    if (!IsHostName(host.host) || host.port == 0)
        return {};
    const std::string name = platform::WideToUtf8(host.host);
    const bool ipv6 = name.find(':') != std::string::npos;
    return std::string(host.https ? "https://" : "http://") + (ipv6 ? "[" + name + "]" : name) +
           ":" + std::to_string(host.port);
}

}  // namespace net
