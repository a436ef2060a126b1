// Pages for a browser: the main web page "/", the web disk "/disk/" (its "#/folder"
// part is read by the page's script), the login page "/login.php" (also entered with a
// one-time ticket of user.login.php) and the registration page "/accounts/newAccount".

#include <variant>

#include "service/accounts.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/html.h"
#include "service/random.h"
#include "service/tree.h"

namespace norvel::service {
namespace {

constexpr const char* kCookie = "norvel_session";
constexpr int64_t kTicketLifetime = 600;  // seconds a one-time login address stays valid

std::string CookieValue(const CRequest& req) {
    const std::string cookies = req.Header("Cookie");
    const std::string key = std::string(kCookie) + "=";
    size_t at = cookies.find(key);
    if (at == std::string::npos)
        return {};
    at += key.size();
    return cookies.substr(at, cookies.find(';', at) - at);
}

std::optional<CAccount> SessionAccount(CTransaction& tx, const CRequest& req) {
    const std::string cookie = CookieValue(req);
    if (cookie.empty())
        return std::nullopt;
    CStatement query(tx.Store(), "SELECT uid FROM web_sessions WHERE cookie = ?1");
    query.Bind(1, cookie);
    const int64_t uid = query.Step() ? query.Int(0) : 0;
    return uid ? FindAccountByUid(tx, uid) : std::nullopt;
}

// Where to go after a login: only addresses of this service; the web disk otherwise.
std::string SafeReturn(CServiceContext& ctx, const std::string& ru) {
    if (ru.size() > 1 && ru[0] == '/' && ru[1] != '/' && ru[1] != '\\')
        return ru;
    const std::string base = ctx.BaseUrl() + "/";
    if (ru.compare(0, base.size(), base) == 0)
        return ru;
    return "/disk/";
}

CReply LoggedIn(CServiceContext& ctx, CTransaction& tx, int64_t uid, const std::string& ru) {
    const std::string cookie = RandomHex(16);
    CStatement insert(tx.Store(),
                      "INSERT INTO web_sessions(cookie, uid, created) VALUES(?1, ?2, ?3)");
    insert.Bind(1, cookie).Bind(2, uid).Bind(3, CServiceContext::Now()).Run();
    tx.Commit();
    CReply reply = RedirectReply(SafeReturn(ctx, ru));
    reply.headers.emplace_back("Set-Cookie",
                               std::string(kCookie) + "=" + cookie + "; Path=/; HttpOnly");
    return reply;
}

std::string LoginForm(const std::string& ru, const std::string& message) {
    return HtmlPage("登录 Norvel网盘",
                    "<h1>登录 Norvel网盘</h1>" +
                        (message.empty() ? "" : "<p><b>" + HtmlEscape(message) + "</b></p>") +
                        "<form method=\"post\" action=\"/login.php\">"
                        "<p><label>账号 <input name=\"username\"></label></p>"
                        "<p><label>密码 <input name=\"password\" type=\"password\"></label></p>"
                        "<input type=\"hidden\" name=\"ru\" value=\"" +
                        HtmlEscape(ru) +
                        "\">"
                        "<p><button type=\"submit\">登录</button> <a "
                        "href=\"/accounts/newAccount\">注册</a></p></form>");
}

std::optional<int64_t> UseTicket(CTransaction& tx, const std::string& ticket) {
    int64_t uid = 0;
    {
        CStatement query(tx.Store(),
                         "SELECT uid FROM web_logins WHERE ticket = ?1 AND created >= ?2");
        query.Bind(1, ticket).Bind(2, CServiceContext::Now() - kTicketLifetime);
        uid = query.Step() ? query.Int(0) : 0;
    }
    CStatement used(tx.Store(), "DELETE FROM web_logins WHERE ticket = ?1");
    used.Bind(1, ticket).Run();
    return uid ? std::optional<int64_t>(uid) : std::nullopt;
}

}  // namespace

CReply HandleHomePage(CServiceContext&, const CRequest&) {
    return HtmlReply(
        HtmlPage("Norvel网盘",
                 "<h1>Norvel网盘</h1><p>Substitute service for tests and demos.</p><ul>"
                 "<li><a href=\"/disk/\">我的网盘</a></li>"
                 "<li><a href=\"/login.php\">登录</a></li>"
                 "<li><a href=\"/accounts/newAccount\">注册</a></li></ul>"));
}

CReply HandleDiskPage(CServiceContext& ctx, const CRequest& req) {
    CTransaction tx(ctx.store);
    const auto account = SessionAccount(tx, req);
    if (!account)
        return RedirectReply("/login.php?ru=%2Fdisk%2F");
    std::string rows;
    for (const CNode& node : ListTree(tx, account->uid))
        rows += "<tr data-path=\"" + HtmlEscape(node.path) + "\"><td>" + (node.folder ? "📁 " : "") +
                HtmlEscape(node.path) + "</td><td>" + (node.folder ? "" : HumanSize(node.size)) +
                "</td><td>" + HtmlEscape(node.mtime) + "</td></tr>\n";
    return HtmlReply(HtmlPage(
        "我的网盘",
        "<h1>" + HtmlEscape(account->name) +
            " 的网盘</h1><p id=\"folder\"></p>"
            "<table id=\"tree\"><tr><th>路径</th><th>大小</th><th>修改时间</th></tr>\n" +
            rows +
            "</table><script>\nconst folder = decodeURIComponent(location.hash.replace(/^#/, '')) "
            "|| '/';\n"
            "document.getElementById('folder').textContent = folder;\n"
            "for (const row of document.querySelectorAll('tr[data-path]'))\n"
            "  row.hidden = folder !== '/' && !row.dataset.path.includes(folder);\n</script>"));
}

CReply HandleLoginPage(CServiceContext& ctx, const CRequest& req) {
    CTransaction tx(ctx.store);
    if (req.method == "GET") {
        const std::string ticket = req.Query("ticket");
        if (ticket.empty())
            return HtmlReply(LoginForm(req.Query("ru"), {}));
        const auto uid = UseTicket(tx, ticket);
        if (!uid)
            return HtmlReply(LoginForm(req.Query("ru"), "登录地址已失效，请重新登录。"), 403);
        return LoggedIn(ctx, tx, *uid, req.Query("ru"));
    }
    const auto form = CForm::Parse(req.body);
    if (!form)
        return HtmlReply(LoginForm({}, "请求无效"), 400);
    const std::string ru = form->Decoded("ru").value_or("");
    const auto account = FindAccountByName(tx, form->Decoded("username").value_or(""));
    if (!account || account->password != form->Decoded("password").value_or(""))
        return HtmlReply(LoginForm(ru, "账号或密码错误"), 403);
    return LoggedIn(ctx, tx, account->uid, ru);
}

CReply HandleNewAccountPage(CServiceContext& ctx, const CRequest& req) {
    const std::string form =
        "<form method=\"post\" action=\"/accounts/newAccount\">"
        "<p><label>账号 <input name=\"username\"></label></p>"
        "<p><label>密码 <input name=\"password\" type=\"password\"></label></p>"
        "<p><button type=\"submit\">注册</button></p></form>";
    if (req.method == "GET")
        return HtmlReply(HtmlPage("注册 Norvel网盘", "<h1>注册 Norvel网盘</h1>" + form));
    const auto fields = CForm::Parse(req.body);
    CNewAccount account;
    account.name = fields ? fields->Decoded("username").value_or("") : "";
    account.password = fields ? fields->Decoded("password").value_or("") : "";
    switch (AddAccount(ctx.store, account)) {
        case AddResult::Added:
            return HtmlReply(
                HtmlPage("注册成功", "<h1>注册成功</h1><p><a href=\"/login.php\">登录</a></p>"));
        case AddResult::Exists:
            return HtmlReply(HtmlPage("注册 Norvel网盘", "<h1>账号已存在</h1>" + form), 409);
        case AddResult::Invalid:
            break;
    }
    return HtmlReply(HtmlPage("注册 Norvel网盘", "<h1>账号或密码无效</h1>" + form), 400);
}

}  // namespace norvel::service
