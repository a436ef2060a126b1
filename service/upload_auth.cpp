// Upload authorization: "/app/pc/sync.upauth.php" (token and uid of an account) and
// "/app/pc/anon.upauth.php" (a computer name) answer the ticket "kdw_tstr", its
// "secret" and the upload host "url", which is this service itself ("127.0.0.1:PORT").

#include "service/accounts.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/tickets.h"

namespace norvel::service {
namespace {

constexpr size_t kMaxComputerName = 64;

CReply TicketReply(CServiceContext& ctx, const CTicket& ticket) {
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("kdw_tstr", ticket.tstr)
                         .Set("secret", ticket.secret)
                         .Set("url", ctx.PublicHost()));
}

}  // namespace

CReply HandleSyncUpAuth(CServiceContext& ctx, const CRequest&, const CForm& form) {
    CTransaction tx(ctx.store);
    const CTokenOwner owner = TokenOwner(tx, form.Raw("token"));
    if (owner.state != TokenState::Valid)
        return ErrorReply(400, Errno::kBadToken,
                          owner.state == TokenState::Expired ? "token expired" : "unknown token");
    if (form.Raw("uid") != std::to_string(owner.uid))
        return ErrorReply(400, Errno::kBadToken, "uid does not match the token");
    const CTicket ticket = AccountTicket(tx, owner.uid);
    tx.Commit();
    return TicketReply(ctx, ticket);
}

CReply HandleAnonUpAuth(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const std::string cname = form.Raw("cname");
    if (cname.size() > kMaxComputerName)
        return ErrorReply(400, Errno::kBadRequest, "computer name too long");
    CTransaction tx(ctx.store);
    const CTicket ticket = AnonymousTicket(tx, cname);
    tx.Commit();
    return TicketReply(ctx, ticket);
}

}  // namespace norvel::service
