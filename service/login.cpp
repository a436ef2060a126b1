// Login: "/app/pc/user.init.php" hands out a challenge (and a captcha when the user name
// needs one), "/app/pc/user.auth.php" checks crypt = MD5hex(password + challenge).
// A user name needs a captcha after three failed logins in a row, or always when the
// "force_captcha" switch is on. A failed login keeps the challenge, so the client may
// try again without a new preparation; a successful one uses it up.

#include "service/accounts.h"
#include "service/captcha.h"
#include "service/context.h"
#include "service/digest.h"
#include "service/handlers.h"
#include "service/random.h"

namespace norvel::service {
namespace {

constexpr int64_t kCaptchaAfterFailures = 3;
constexpr const char* kHeartbeatGap = "300";  // seconds between the client's user-info refreshes

int64_t Failures(CTransaction& tx, const std::string& username) {
    CStatement query(tx.Store(), "SELECT count FROM failures WHERE username = ?1");
    query.Bind(1, username);
    return query.Step() ? query.Int(0) : 0;
}

void SetFailures(CTransaction& tx, const std::string& username, int64_t count) {
    CStatement update(tx.Store(),
                      "INSERT OR REPLACE INTO failures(username, count) VALUES(?1, ?2)");
    update.Bind(1, username).Bind(2, count).Run();
}

bool NeedsCaptcha(CServiceContext& ctx, CTransaction& tx, const std::string& username) {
    return ctx.switches.forceCaptcha || Failures(tx, username) >= kCaptchaAfterFailures;
}

std::string NewChallenge(CTransaction& tx, const std::string& username, const std::string& cid) {
    const std::string challenge = RandomHex(8);
    CStatement upsert(tx.Store(),
                      "INSERT OR REPLACE INTO challenges(username, cid, challenge, created) "
                      "VALUES(?1, ?2, ?3, ?4)");
    upsert.Bind(1, username).Bind(2, cid).Bind(3, challenge).Bind(4, CServiceContext::Now()).Run();
    return challenge;
}

std::optional<std::string> CurrentChallenge(CTransaction& tx, const std::string& username,
                                            const std::string& cid) {
    CStatement query(tx.Store(),
                     "SELECT challenge FROM challenges WHERE username = ?1 AND cid = ?2");
    query.Bind(1, username).Bind(2, cid);
    if (!query.Step())
        return std::nullopt;
    return query.Text(0);
}

std::string CaptchaUrl(CServiceContext& ctx, const CCaptcha& captcha) {
    return ctx.BaseUrl() + "/captcha/" + captcha.id + ".svg";
}

// The reply that asks the client to try again with a new challenge (and a captcha when
// one is needed; its members are present but empty otherwise).
CReply AgainReply(CServiceContext& ctx, CTransaction& tx, const std::string& username,
                  const std::string& cid) {
    CJsonBuilder reply;
    reply.Set("errno", int64_t(0))
        .Set("login", "again")
        .Set("challenge", NewChallenge(tx, username, cid));
    if (NeedsCaptcha(ctx, tx, username)) {
        const CCaptcha captcha = NewCaptcha(tx, username);
        reply.Set("captcha", CaptchaUrl(ctx, captcha)).Set("rcaptchaid", captcha.id);
    } else {
        reply.Set("captcha", "").Set("rcaptchaid", "");
    }
    tx.Commit();
    return JsonReply(reply);
}

CReply SuccessReply(CTransaction& tx, const CAccount& account) {
    const std::string token = IssueToken(tx, account.uid);
    tx.Commit();
    CJsonBuilder info;
    info.Set("uid", account.uid)
        .Set("maxfs", account.maxfs)
        .Set("level", account.level)
        .Set("spacecapacity", account.space)
        .Set("periodofvalidity", account.validity);
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("login", "true")
                         .Set("token", token)
                         .Set("hbgap", kHeartbeatGap)
                         .Set("userinfo", std::move(info)));
}

}  // namespace

CReply HandleUserInit(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const std::string username = form.Raw("username");
    const std::string cid = form.Raw("cid");
    if (username.empty() || cid.empty())
        return ErrorReply(400, Errno::kBadRequest, "username and cid are required");
    CTransaction tx(ctx.store);
    CJsonBuilder reply;
    reply.Set("errno", int64_t(0)).Set("challenge", NewChallenge(tx, username, cid));
    if (NeedsCaptcha(ctx, tx, username)) {
        const CCaptcha captcha = NewCaptcha(tx, username);
        reply.Set("captcha", CaptchaUrl(ctx, captcha)).Set("captchaid", captcha.id);
    }
    tx.Commit();
    return JsonReply(reply);
}

CReply HandleUserAuth(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const std::string username = form.Raw("username");
    const std::string cid = form.Raw("cid");
    const std::string crypt = form.Raw("crypt");
    if (username.empty() || cid.empty() || crypt.empty())
        return ErrorReply(400, Errno::kBadRequest, "crypt, username and cid are required");
    CTransaction tx(ctx.store);
    const auto challenge = CurrentChallenge(tx, username, cid);
    if (!challenge)
        return AgainReply(ctx, tx, username, cid);
    if (NeedsCaptcha(ctx, tx, username) &&
        !UseCaptcha(tx, username, form.Raw("captchaid"), form.Raw("captcha")))
        return AgainReply(ctx, tx, username, cid);
    const auto account = FindAccountByName(tx, username);
    if (account && Md5Hex(account->password + *challenge) == crypt) {
        SetFailures(tx, username, 0);
        CStatement used(ctx.store, "DELETE FROM challenges WHERE username = ?1 AND cid = ?2");
        used.Bind(1, username).Bind(2, cid).Run();
        return SuccessReply(tx, *account);
    }
    SetFailures(tx, username, Failures(tx, username) + 1);
    tx.Commit();
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("login", "false")
                         .Set("error", "wrong user name or password"));
}

}  // namespace norvel::service
