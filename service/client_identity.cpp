// Client identity: "/app/pc/clientid.init.php" hands out a seed and a secret,
// "/app/pc/clientid.auth.php" registers the client whose id is MD5hex(seed + secret).

#include "service/context.h"
#include "service/digest.h"
#include "service/handlers.h"
#include "service/random.h"

namespace norvel::service {
namespace {

constexpr int64_t kUnregisteredLifetime = 24 * 3600;  // seconds an unused seed is kept

}  // namespace

CReply HandleClientInit(CServiceContext& ctx, const CRequest&, const CForm&) {
    const std::string seed = RandomHex(8);
    const std::string secret = RandomHex(16);
    CTransaction tx(ctx.store);
    CStatement prune(ctx.store, "DELETE FROM clients WHERE registered = 0 AND created < ?1");
    prune.Bind(1, CServiceContext::Now() - kUnregisteredLifetime).Run();
    CStatement insert(
        ctx.store,
        "INSERT OR REPLACE INTO clients(cid, seed, secret, created) VALUES(?1, ?2, ?3, ?4)");
    insert.Bind(1, Md5Hex(seed + secret))
        .Bind(2, seed)
        .Bind(3, secret)
        .Bind(4, CServiceContext::Now())
        .Run();
    tx.Commit();
    return JsonReply(
        CJsonBuilder().Set("errno", int64_t(0)).Set("seed", seed).Set("secret", secret));
}

CReply HandleClientAuth(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const std::string cid = form.Raw("cid");
    const std::string secret = form.Raw("secret");
    CTransaction tx(ctx.store);
    CStatement update(ctx.store,
                      "UPDATE clients SET registered = 1 WHERE cid = ?1 AND secret = ?2");
    update.Bind(1, cid).Bind(2, secret).Run();
    const bool known = !cid.empty() && ctx.store.Changes() == 1;
    tx.Commit();
    if (!known)
        return JsonReply(CJsonBuilder()
                             .Set("errno", int64_t(Errno::kRefused))
                             .Set("success", "false")
                             .Set("error", "unknown client id or secret"),
                         400);
    return JsonReply(CJsonBuilder().Set("errno", int64_t(0)).Set("success", "true"));
}

}  // namespace norvel::service
