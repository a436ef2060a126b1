#include "service/captcha.h"

#include <algorithm>
#include <cctype>

#include "service/context.h"
#include "service/form.h"
#include "service/handlers.h"
#include "service/random.h"

namespace norvel::service {
namespace {

// No 0/O, 1/l/I: a person must be able to read it.
constexpr std::string_view kAlphabet = "23456789abcdefghjkmnpqrstuvwxyz";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string CaptchaSvg(const std::string& text) {
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"40\">"
        "<rect width=\"120\" height=\"40\" fill=\"#eef2f6\"/>"
        "<path d=\"M0 30 Q30 5 60 22 T120 12\" stroke=\"#8aa\" fill=\"none\"/>";
    for (size_t i = 0; i < text.size(); ++i) {
        const int angle = int(RandomNumber(0, 40)) - 20;
        const int x = 12 + int(i) * 26;
        svg += "<text x=\"" + std::to_string(x) +
               "\" y=\"28\" font-size=\"24\" font-family=\"monospace\" "
               "transform=\"rotate(" +
               std::to_string(angle) + " " + std::to_string(x) + " 20)\">" +
               HtmlEscape(std::string(1, text[i])) + "</text>";
    }
    return svg + "</svg>";
}

}  // namespace

CCaptcha NewCaptcha(CTransaction& tx, std::string_view username) {
    CCaptcha captcha{RandomHex(8), RandomText(4, kAlphabet), std::string(username)};
    CStatement insert(tx.Store(),
                      "INSERT INTO captchas(id, username, text, created) VALUES(?1, ?2, ?3, ?4)");
    insert.Bind(1, captcha.id)
        .Bind(2, username)
        .Bind(3, captcha.text)
        .Bind(4, CServiceContext::Now())
        .Run();
    return captcha;
}

bool UseCaptcha(CTransaction& tx, std::string_view username, std::string_view id,
                std::string_view text) {
    const auto captcha = FindCaptcha(tx, {}, id);
    if (!captcha)
        return false;
    CStatement remove(tx.Store(), "DELETE FROM captchas WHERE id = ?1");
    remove.Bind(1, id).Run();
    return captcha->username == username && !text.empty() && Lower(text) == Lower(captcha->text);
}

std::optional<CCaptcha> FindCaptcha(CTransaction& tx, std::string_view username,
                                    std::string_view id) {
    CStatement query(tx.Store(),
                     id.empty() ? "SELECT id, text, username FROM captchas WHERE username = ?1 "
                                  "ORDER BY created DESC, rowid DESC LIMIT 1"
                                : "SELECT id, text, username FROM captchas WHERE id = ?2");
    if (id.empty())
        query.Bind(1, username);
    else
        query.Bind(2, id);
    if (!query.Step())
        return std::nullopt;
    return CCaptcha{query.Text(0), query.Text(1), query.Text(2)};
}

CReply HandleCaptchaImage(CServiceContext& ctx, const CRequest& req) {
    // /captcha/<id>.svg
    std::string id = req.path.substr(req.path.rfind('/') + 1);
    if (id.size() > 4 && id.compare(id.size() - 4, 4, ".svg") == 0)
        id.resize(id.size() - 4);
    CTransaction tx(ctx.store);
    const auto captcha = FindCaptcha(tx, {}, id);
    if (!captcha)
        return HtmlReply("<p>No such captcha.</p>", 404);
    CReply reply;
    reply.contentType = "image/svg+xml";
    reply.body = CaptchaSvg(captcha->text);
    reply.headers.emplace_back("Cache-Control", "no-store");
    return reply;
}

}  // namespace norvel::service
