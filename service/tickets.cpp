#include "service/tickets.h"

#include "service/context.h"
#include "service/random.h"

namespace norvel::service {
namespace {

std::optional<CTicket> Select(CTransaction& tx, std::string_view where, std::string_view key,
                              int64_t number) {
    CStatement query(
        tx.Store(),
        "SELECT tstr, secret, COALESCE(uid, 0), COALESCE(cname, '') FROM tickets WHERE " +
            std::string(where));
    if (key.empty())
        query.Bind(1, number);
    else
        query.Bind(1, key);
    if (!query.Step())
        return std::nullopt;
    return CTicket{query.Text(0), query.Text(1), query.Int(2), query.Text(3)};
}

CTicket Insert(CTransaction& tx, int64_t uid, std::string_view cname) {
    CTicket ticket{RandomHex(16), RandomHex(16), uid, std::string(cname)};
    CStatement insert(
        tx.Store(),
        "INSERT INTO tickets(tstr, secret, uid, cname, created) VALUES(?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, ticket.tstr).Bind(2, ticket.secret);
    if (uid > 0)
        insert.Bind(3, uid).BindNull(4);
    else
        insert.BindNull(3).Bind(4, cname);
    insert.Bind(5, CServiceContext::Now()).Run();
    return ticket;
}

}  // namespace

std::optional<CTicket> FindTicket(CTransaction& tx, std::string_view tstr) {
    if (tstr.empty())
        return std::nullopt;
    return Select(tx, "tstr = ?1", tstr, 0);
}

CTicket AccountTicket(CTransaction& tx, int64_t uid) {
    if (auto ticket = Select(tx, "uid = ?1", {}, uid))
        return *ticket;
    return Insert(tx, uid, {});
}

CTicket AnonymousTicket(CTransaction& tx, std::string_view cname) {
    if (auto ticket = Select(tx, "uid IS NULL AND cname = ?1", cname, 0))
        return *ticket;
    return Insert(tx, 0, cname);
}

}  // namespace norvel::service
