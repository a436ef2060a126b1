#include "service/http_types.h"

#include <algorithm>
#include <cctype>

namespace norvel::service {

bool SameHeaderName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string CRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (SameHeaderName(key, name))
            return value;
    return {};
}

std::string CRequest::Query(const std::string& name) const {
    const auto it = query.find(name);
    return it == query.end() ? std::string() : it->second;
}

CReply JsonReply(const CJsonBuilder& object, int status) {
    CReply reply;
    reply.status = status;
    reply.body = object.ToString();
    return reply;
}

CReply ErrorReply(int status, int errnoValue, std::string_view message) {
    return JsonReply(CJsonBuilder().Set("errno", int64_t(errnoValue)).Set("error", message),
                     status);
}

CReply HtmlReply(std::string html, int status) {
    CReply reply;
    reply.status = status;
    reply.contentType = "text/html; charset=utf-8";
    reply.body = std::move(html);
    return reply;
}

CReply RedirectReply(const std::string& location) {
    CReply reply;
    reply.status = 302;
    reply.contentType = "text/html; charset=utf-8";
    reply.headers.emplace_back("Location", location);
    return reply;
}

}  // namespace norvel::service
