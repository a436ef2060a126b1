#include "exchange_log.h"

#include "log/log.h"
#include "log/log_events.h"
#include "net/redaction.h"
#include "platform/text.h"
#include "tools/url_encode.h"

namespace net {
namespace {

constexpr std::u16string_view kAbsent = u"\"\"";
// Log files hold 2000000 bytes each: a longer text is cut here and its size noted.
constexpr size_t kMaxLoggedBytes = 256 * 1024;

// Hidden before decoding (an encoded "&" cannot end a value early) and again after it
// (fields inside decoded values). A cut comes first: a value cut short is still hidden.
std::u16string Readable(std::optional<std::string_view> text) {
    if (!text)
        return std::u16string(kAbsent);
    const std::string_view kept = text->substr(0, kMaxLoggedBytes);
    std::u16string readable =
        platform::Utf8ToWide(RedactSecrets(tools::UrlDecode(RedactSecrets(kept))));
    if (kept.size() < text->size())
        readable += u"...(" + platform::Utf8ToWide(std::to_string(text->size())) + u" bytes)";
    return readable;
}

}  // namespace

void LogExchange(int status, std::u16string_view headers, std::optional<std::string_view> body,
                 const std::optional<std::string>& reply) {
    const bool ok = status == 200;
    const std::u16string cause = u"http_code=" + platform::Utf8ToWide(std::to_string(status)) +
                                 u" ; Header=" + std::u16string(headers);
    const std::optional<std::string_view> replyText =
        reply ? std::optional<std::string_view>(*reply) : std::nullopt;
    Log().Write(ok ? L4_INF : L2_VIM, log_events::kHttpRequest, ok, cause,
                u"Body=" + Readable(body), u"pChar=" + Readable(replyText));
}

void LogUnreachable(uint32_t error, std::u16string_view what, std::u16string_view headers,
                    std::optional<std::string_view> body) {
    const std::u16string request =
        u"header=" + std::u16string(headers) + u"body=" +
        platform::Utf8ToWide(body ? RedactSecrets(*body) : std::string());
    Log().WriteErrorCode(int(error), L2_VIM, log_events::kSysConnection, what, request);
}

}  // namespace net
