// "/app/pc/user.info.php" (the account figures), "/app/pc/user.login.php" (a one-time
// address that logs a browser into the web disk) and "app/stat/stat.php" (usage counts).

#include <variant>

#include "service/accounts.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/random.h"

namespace norvel::service {
namespace {

constexpr int kTokenExpiredStatus = 440;

// The account of a valid token, or the reply that refuses the request.
std::variant<CAccount, CReply> AccountOfToken(CTransaction& tx, const std::string& token) {
    const CTokenOwner owner = TokenOwner(tx, token);
    if (owner.state == TokenState::Expired)
        return ErrorReply(kTokenExpiredStatus, kTokenExpiredStatus, "token expired");
    if (owner.state == TokenState::Unknown)
        return ErrorReply(400, Errno::kBadToken, "unknown token");
    auto account = FindAccountByUid(tx, owner.uid);
    if (!account)
        return ErrorReply(400, Errno::kBadToken, "unknown token");
    return *account;
}

}  // namespace

CReply HandleUserInfo(CServiceContext& ctx, const CRequest&, const CForm& form) {
    CTransaction tx(ctx.store);
    auto result = AccountOfToken(tx, form.Raw("token"));
    if (auto* refusal = std::get_if<CReply>(&result))
        return *refusal;
    const CAccount& account = std::get<CAccount>(result);
    const std::string username = form.Raw("username");
    if (!username.empty() && username != account.name)
        return ErrorReply(400, Errno::kBadToken, "token of another user");
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("uid", account.uid)
                         .Set("maxfs", account.maxfs)
                         .Set("level", account.level)
                         .Set("spacecapacity", account.space)
                         .Set("usedspacecapacity", UsedSpace(tx, account.uid))
                         .Set("periodofvalidity", account.validity));
}

CReply HandleUserLogin(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const auto ru = form.Decoded("ru");
    if (!ru)
        return ErrorReply(400, Errno::kBadRequest, "bad ru");
    CTransaction tx(ctx.store);
    auto result = AccountOfToken(tx, form.Raw("token"));
    if (auto* refusal = std::get_if<CReply>(&result))
        return *refusal;
    const std::string ticket = RandomHex(16);
    CStatement insert(ctx.store, "INSERT INTO web_logins(ticket, uid, created) VALUES(?1, ?2, ?3)");
    insert.Bind(1, ticket)
        .Bind(2, std::get<CAccount>(result).uid)
        .Bind(3, CServiceContext::Now())
        .Run();
    tx.Commit();
    std::string url = ctx.BaseUrl() + "/login.php?ticket=" + ticket;
    if (!ru->empty())
        url += "&ru=" + UrlEncode(*ru, ".");
    return JsonReply(CJsonBuilder().Set("errno", int64_t(0)).Set("url", url));
}

CReply HandleStat(CServiceContext& ctx, const CRequest&, const CForm& form) {
    for (const char* name : {"source", "cid", "uid", "opt"})
        if (form.Raw(name).empty())
            return ErrorReply(400, Errno::kBadRequest, std::string(name) + " is required");
    const std::string uid = form.Raw("uid");
    const std::string token = form.Raw("token");
    CTransaction tx(ctx.store);
    bool valid = uid == "anonymous" && token.empty();
    if (!valid) {
        const CTokenOwner owner = TokenOwner(tx, token);
        valid = owner.state == TokenState::Valid && std::to_string(owner.uid) == uid;
    }
    CStatement insert(ctx.store,
                      "INSERT INTO stats(time, source, cid, uid, token, opt, valid) VALUES(?1, ?2, "
                      "?3, ?4, ?5, ?6, ?7)");
    insert.Bind(1, CServiceContext::Now())
        .Bind(2, form.Raw("source"))
        .Bind(3, form.Raw("cid"))
        .Bind(4, uid);
    insert.Bind(5, token).Bind(6, form.Raw("opt")).Bind(7, int64_t(valid)).Run();
    tx.Commit();
    return JsonReply(CJsonBuilder().Set("errno", int64_t(0)));
}

}  // namespace norvel::service
