// Admin requests for tests, under "/_admin/" and only from this machine. Replies are JSON;
// POST bodies are URL-encoded forms. See docs/service.md for the list.

#include "service/accounts.h"
#include "service/captcha.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/tree.h"
#include "service/upload_params.h"

namespace norvel::service {
namespace {

CReply Ok() {
    return JsonReply(CJsonBuilder().Set("errno", int64_t(0)));
}

// The fields of an admin form, decoded; empty when malformed.
std::optional<std::vector<std::pair<std::string, std::string>>> DecodedFields(const CRequest& req) {
    const auto form = CForm::Parse(req.body);
    if (!form)
        return std::nullopt;
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& [name, value] : form->Fields()) {
        const auto decodedName = UrlDecode(name);
        const auto decoded = UrlDecode(value);
        if (!decodedName || !decoded)
            return std::nullopt;
        fields.emplace_back(*decodedName, *decoded);
    }
    return fields;
}

std::string Field(const std::vector<std::pair<std::string, std::string>>& fields,
                  std::string_view name) {
    for (const auto& [key, value] : fields)
        if (key == name)
            return value;
    return {};
}

CReply Captcha(CServiceContext& ctx, const CRequest& req) {
    CTransaction tx(ctx.store);
    const auto captcha = FindCaptcha(tx, req.Query("username"), req.Query("id"));
    if (!captcha)
        return ErrorReply(404, Errno::kNotFound, "no captcha");
    return JsonReply(CJsonBuilder()
                         .Set("id", captcha->id)
                         .Set("text", captcha->text)
                         .Set("username", captcha->username));
}

CReply Stats(CServiceContext& ctx) {
    CTransaction tx(ctx.store);
    CStatement query(ctx.store,
                     "SELECT time, source, cid, uid, token, opt, valid FROM stats ORDER BY id");
    std::vector<CJsonBuilder> items;
    while (query.Step())
        items.push_back(CJsonBuilder()
                            .Set("time", query.Int(0))
                            .Set("source", query.Text(1))
                            .Set("cid", query.Text(2))
                            .Set("uid", query.Text(3))
                            .Set("token", query.Text(4))
                            .Set("opt", query.Text(5))
                            .Set("valid", query.Int(6) ? "true" : "false"));
    const int64_t count = int64_t(items.size());
    return JsonReply(CJsonBuilder().Set("stats", std::move(items)).Set("count", count));
}

CReply Posts(CServiceContext& ctx) {
    CTransaction tx(ctx.store);
    CStatement query(ctx.store,
                     "SELECT p.uid, a.name, p.msgid, p.content, p.pic, p.resource_url, p.time "
                     "FROM posts p JOIN accounts a ON a.uid = p.uid ORDER BY p.id");
    std::vector<CJsonBuilder> items;
    while (query.Step())
        items.push_back(CJsonBuilder()
                            .Set("uid", query.Int(0))
                            .Set("username", query.Text(1))
                            .Set("msgid", query.Text(2))
                            .Set("content", query.Text(3))
                            .Set("pic", query.Text(4))
                            .Set("resource_url", query.Text(5))
                            .Set("time", query.Int(6)));
    return JsonReply(CJsonBuilder().Set("posts", std::move(items)));
}

CReply Tree(CServiceContext& ctx, const CRequest& req) {
    CTransaction tx(ctx.store);
    const auto account = FindAccountByName(tx, req.Query("username"));
    if (!account)
        return ErrorReply(404, Errno::kNotFound, "no such user");
    std::vector<CJsonBuilder> items;
    for (const CNode& node : ListTree(tx, account->uid))
        items.push_back(CJsonBuilder()
                            .Set("path", node.path)
                            .Set("folder", node.folder ? "true" : "false")
                            .Set("md5", node.md5)
                            .Set("size", node.size)
                            .Set("ctime", node.ctime)
                            .Set("mtime", node.mtime)
                            .Set("url", node.url));
    return JsonReply(CJsonBuilder().Set("nodes", std::move(items)).Set("uid", account->uid));
}

CReply AddUser(CServiceContext& ctx,
               const std::vector<std::pair<std::string, std::string>>& fields) {
    CNewAccount account;
    account.name = Field(fields, "name");
    account.password = Field(fields, "password");
    if (!Field(fields, "level").empty())
        account.level = Field(fields, "level");
    for (const auto& [name, target] :
         {std::pair{"space", &account.space}, std::pair{"maxfs", &account.maxfs}})
        if (const std::string value = Field(fields, name); !value.empty()) {
            const auto number = ParseDecimal(value);
            if (!number || *number > uint64_t(INT64_MAX))
                return ErrorReply(400, Errno::kBadRequest, std::string("bad ") + name);
            *target = int64_t(*number);
        }
    switch (AddAccount(ctx.store, account)) {
        case AddResult::Added:
            return Ok();
        case AddResult::Exists:
            return ErrorReply(409, Errno::kExists, "user exists");
        case AddResult::Invalid:
            break;
    }
    return ErrorReply(400, Errno::kBadRequest, "bad name or password");
}

CReply ExpireTokensOf(CServiceContext& ctx, const std::string& username) {
    CTransaction tx(ctx.store);
    int64_t uid = 0;
    if (!username.empty()) {
        const auto account = FindAccountByName(tx, username);
        if (!account)
            return ErrorReply(404, Errno::kNotFound, "no such user");
        uid = account->uid;
    }
    ExpireTokens(tx, uid);
    tx.Commit();
    return Ok();
}

CReply Post(CServiceContext& ctx, const std::string& action,
            const std::vector<std::pair<std::string, std::string>>& fields) {
    if (action == "requests/clear") {
        ctx.log.Clear();
        return Ok();
    }
    if (action == "fault") {
        std::string error;
        auto fault = CFaults::FromFields(fields, error);
        if (!fault)
            return ErrorReply(400, Errno::kBadRequest, error);
        ctx.faults.Add(std::move(*fault));
        return Ok();
    }
    if (action == "faults/clear") {
        ctx.faults.Clear();
        return Ok();
    }
    if (action == "switch") {
        for (const auto& [name, value] : fields)
            if (!ctx.switches.Set(name, value))
                return ErrorReply(400, Errno::kBadRequest, "bad switch " + name);
        return JsonReply(ctx.switches.Describe());
    }
    if (action == "expire_tokens")
        return ExpireTokensOf(ctx, Field(fields, "username"));
    if (action == "demand_nonce") {
        ctx.signing.RenewNonce();
        return JsonReply(CJsonBuilder().Set("errno", int64_t(0)).Set("nonce", ctx.signing.Nonce()));
    }
    if (action == "users")
        return AddUser(ctx, fields);
    return ErrorReply(404, Errno::kNotFound, "no such admin request");
}

}  // namespace

CReply HandleSink(CServiceContext&, const CRequest&, CBodySource& body) {
    uint64_t bytes = 0;
    const bool whole = body.Read([&](const char*, size_t length) {
        bytes += length;
        return true;
    });
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(whole ? 0 : Errno::kBadRequest))
                         .Set("bytes", int64_t(bytes)));
}

CReply HandleAdmin(CServiceContext& ctx, const CRequest& req) {
    const std::string action = req.path.substr(std::string_view("/_admin/").size());
    if (req.method == "POST") {
        const auto fields = DecodedFields(req);
        if (!fields)
            return ErrorReply(400, Errno::kBadRequest, "malformed form body");
        return Post(ctx, action, *fields);
    }
    if (action == "health")
        return JsonReply(CJsonBuilder().Set("errno", int64_t(0)).Set("host", ctx.PublicHost()));
    if (action == "requests") {
        const auto after = ParseDecimal(req.Query("after"));
        return JsonReply(ctx.log.Since(after ? int64_t(*after) : 0));
    }
    if (action == "captcha")
        return Captcha(ctx, req);
    if (action == "stats")
        return Stats(ctx);
    if (action == "posts")
        return Posts(ctx);
    if (action == "tree")
        return Tree(ctx, req);
    if (action == "faults")
        return JsonReply(ctx.faults.Describe());
    if (action == "switches")
        return JsonReply(ctx.switches.Describe());
    if (action == "nonce")
        return JsonReply(CJsonBuilder().Set("nonce", ctx.signing.Nonce()));
    if (action == "joins")
        return JsonReply(CJsonBuilder().Set("read_back", int64_t(ctx.joiner.BytesReadBack())));
    return ErrorReply(404, Errno::kNotFound, "no such admin request");
}

}  // namespace norvel::service
