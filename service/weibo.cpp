// The Sina Weibo relay, "/app/pc/sina_weibo.php " (the path ends with a blank), and its
// binding page "/weibo/bind", which binds an account when its button is pressed and then
// closes its window. Posts are recorded (readable through the admin requests), not sent.

#include <variant>

#include "service/accounts.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/html.h"
#include "service/random.h"

namespace norvel::service {
namespace {

constexpr size_t kMaxPostBytes = 4000;
constexpr int64_t kBindCodeLifetime = 3600;  // seconds a binding page stays usable

CReply NotBound() {
    return ErrorReply(400, Errno::kNotBound, "no Sina Weibo account is bound");
}

void SetBinding(CTransaction& tx, int64_t uid, const std::string& weiboUid,
                const std::string& name) {
    CStatement update(tx.Store(),
                      "UPDATE accounts SET weibo_uid = ?2, weibo_name = ?3 WHERE uid = ?1");
    update.Bind(1, uid);
    if (weiboUid.empty())
        update.BindNull(2).BindNull(3);
    else
        update.Bind(2, weiboUid).Bind(3, name);
    update.Run();
}

CReply Post(CServiceContext& ctx, CTransaction& tx, const CAccount& account, const CForm& form) {
    if (account.weiboUid.empty())
        return NotBound();
    const std::string content = form.Raw("content");
    if (content.empty() || content.size() > kMaxPostBytes)
        return ErrorReply(400, Errno::kBadRequest, "a post needs a content of at most 4000 bytes");
    const std::string msgid =
        std::to_string(RandomNumber(1000000000000000ull, 9999999999999999ull));
    CStatement insert(ctx.store,
                      "INSERT INTO posts(uid, msgid, content, pic, resource_url, time) VALUES(?1, "
                      "?2, ?3, ?4, ?5, ?6)");
    insert.Bind(1, account.uid).Bind(2, msgid).Bind(3, content).Bind(4, form.Raw("pic"));
    insert.Bind(5, form.Raw("resource_url")).Bind(6, CServiceContext::Now()).Run();
    tx.Commit();
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("action", "post")
                         .Set("sina_weibo_msgid", msgid));
}

}  // namespace

CReply HandleWeibo(CServiceContext& ctx, const CRequest&, const CForm& form) {
    CTransaction tx(ctx.store);
    const CTokenOwner owner = TokenOwner(tx, form.Raw("token"));
    const auto account =
        owner.state == TokenState::Valid ? FindAccountByUid(tx, owner.uid) : std::nullopt;
    if (!account)
        return ErrorReply(400, Errno::kBadToken,
                          owner.state == TokenState::Expired ? "token expired" : "unknown token");
    const std::string action = form.Raw("action");
    if (action == "account_status") {
        if (account->weiboUid.empty())
            return NotBound();
        return JsonReply(CJsonBuilder()
                             .Set("errno", int64_t(0))
                             .Set("action", "account_status")
                             .Set("account", account->weiboUid)
                             .Set("screen_name", account->weiboName));
    }
    if (action == "account_bind") {
        const std::string code = RandomHex(12);
        CStatement insert(ctx.store, "INSERT INTO binds(code, uid, created) VALUES(?1, ?2, ?3)");
        insert.Bind(1, code).Bind(2, account->uid).Bind(3, CServiceContext::Now()).Run();
        tx.Commit();
        return JsonReply(CJsonBuilder()
                             .Set("errno", int64_t(0))
                             .Set("action", "account_bind")
                             .Set("bind_url", ctx.BaseUrl() + "/weibo/bind?code=" + code));
    }
    if (action == "account_unbind") {
        const bool bound = !account->weiboUid.empty();
        SetBinding(tx, account->uid, {}, {});
        tx.Commit();
        return JsonReply(
            CJsonBuilder().Set("errno", int64_t(0)).Set("action", bound ? "true" : "false"));
    }
    if (action == "post")
        return Post(ctx, tx, *account, form);
    return ErrorReply(400, Errno::kBadRequest, "unknown action");
}

CReply HandleWeiboBindPage(CServiceContext& ctx, const CRequest& req) {
    const bool pressed = req.method == "POST";
    std::string code = req.Query("code");
    if (pressed) {
        const auto form = CForm::Parse(req.body);
        code = form ? form->Decoded("code").value_or("") : "";
    }
    CTransaction tx(ctx.store);
    int64_t uid = 0;
    {
        CStatement query(ctx.store, "SELECT uid FROM binds WHERE code = ?1 AND created >= ?2");
        query.Bind(1, code).Bind(2, CServiceContext::Now() - kBindCodeLifetime);
        uid = query.Step() ? query.Int(0) : 0;
    }
    const auto account = uid ? FindAccountByUid(tx, uid) : std::nullopt;
    if (!account)
        return HtmlReply(
            HtmlPage("绑定新浪微博",
                     "<h1>绑定页已失效</h1><p>This binding page is no longer valid.</p>"),
            404);
    if (!pressed)
        return HtmlReply(
            HtmlPage("绑定新浪微博",
                     "<h1>绑定新浪微博</h1><p>将新浪微博账号绑定到 Norvel 网盘账号 <b>" +
                         HtmlEscape(account->name) +
                         "</b>。</p><form method=\"post\" action=\"/weibo/bind\">"
                         "<input type=\"hidden\" name=\"code\" value=\"" +
                         HtmlEscape(code) +
                         "\"><button type=\"submit\" id=\"bind\">授权并绑定</button></form>"));
    SetBinding(tx, account->uid, std::to_string(RandomNumber(1000000000ull, 9999999999ull)),
               "norvel_" + account->name);
    CStatement used(ctx.store, "DELETE FROM binds WHERE code = ?1");
    used.Bind(1, code).Run();
    tx.Commit();
    return HtmlReply(HtmlPage("绑定成功",
                              "<h1>绑定成功</h1><p>Bound. This window closes now.</p>"
                              "<script>window.close();</script>"));
}

}  // namespace norvel::service
