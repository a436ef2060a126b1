#include "service/accounts.h"

#include "service/context.h"
#include "service/random.h"
#include "service/store.h"

namespace norvel::service {
namespace {

CAccount ReadAccount(const CStatement& row) {
    CAccount account;
    account.uid = row.Int(0);
    account.name = row.Text(1);
    account.password = row.Text(2);
    account.space = row.Int(3);
    account.maxfs = row.Int(4);
    account.level = row.Text(5);
    account.validity = row.Text(6);
    account.weiboUid = row.Text(7);
    account.weiboName = row.Text(8);
    return account;
}

constexpr const char* kAccountColumns =
    "SELECT uid, name, password, space, maxfs, level, validity, "
    "COALESCE(weibo_uid, ''), COALESCE(weibo_name, '') FROM accounts ";

void AddFolder(CTransaction& tx, int64_t uid, std::string_view path, std::string_view parent) {
    CStatement insert(
        tx.Store(), "INSERT OR IGNORE INTO nodes(uid, path, parent, folder) VALUES(?1, ?2, ?3, 1)");
    insert.Bind(1, uid).Bind(2, path).Bind(3, parent).Run();
}

}  // namespace

bool IsValidAccountName(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '&' || c == '=' || c == '+' ||
            c == '%' || c == ':')
            return false;
    return true;
}

bool IsValidPassword(std::string_view password) {
    if (password.empty() || password.size() > 128)
        return false;
    for (char c : password)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

AddResult AddAccount(CStore& store, const CNewAccount& account) {
    if (!IsValidAccountName(account.name) || !IsValidPassword(account.password) ||
        account.space < 0 || account.maxfs < 0 || account.level.empty())
        return AddResult::Invalid;
    CTransaction tx(store);
    if (FindAccountByName(tx, account.name))
        return AddResult::Exists;
    CStatement insert(store,
                      "INSERT INTO accounts(name, password, space, maxfs, level, validity) "
                      "VALUES(?1, ?2, ?3, ?4, ?5, '2099-12-31')");
    insert.Bind(1, account.name)
        .Bind(2, account.password)
        .Bind(3, account.space)
        .Bind(4, account.maxfs);
    insert.Bind(5, account.level).Run();
    const int64_t uid = store.LastInsertId();
    const std::string received(kReceivedFolder);
    const std::string top = received.substr(0, received.rfind('/'));
    AddFolder(tx, uid, top, "/");
    AddFolder(tx, uid, received, top);
    tx.Commit();
    return AddResult::Added;
}

std::optional<CAccount> FindAccountByName(CTransaction& tx, std::string_view name) {
    CStatement query(tx.Store(), std::string(kAccountColumns) + "WHERE name = ?1");
    query.Bind(1, name);
    if (!query.Step())
        return std::nullopt;
    return ReadAccount(query);
}

std::optional<CAccount> FindAccountByUid(CTransaction& tx, int64_t uid) {
    CStatement query(tx.Store(), std::string(kAccountColumns) + "WHERE uid = ?1");
    query.Bind(1, uid);
    if (!query.Step())
        return std::nullopt;
    return ReadAccount(query);
}

CTokenOwner TokenOwner(CTransaction& tx, std::string_view token) {
    CTokenOwner owner;
    if (token.empty())
        return owner;
    CStatement query(tx.Store(), "SELECT uid, expired FROM tokens WHERE token = ?1");
    query.Bind(1, token);
    if (!query.Step())
        return owner;
    owner.uid = query.Int(0);
    owner.state = query.Int(1) ? TokenState::Expired : TokenState::Valid;
    return owner;
}

std::string IssueToken(CTransaction& tx, int64_t uid) {
    const std::string token = RandomHex(20);
    CStatement insert(tx.Store(), "INSERT INTO tokens(token, uid, created) VALUES(?1, ?2, ?3)");
    insert.Bind(1, token).Bind(2, uid).Bind(3, CServiceContext::Now()).Run();
    return token;
}

void ExpireTokens(CTransaction& tx, int64_t uid) {
    CStatement update(tx.Store(), "UPDATE tokens SET expired = 1 WHERE ?1 <= 0 OR uid = ?1");
    update.Bind(1, uid).Run();
}

int64_t UsedSpace(CTransaction& tx, int64_t uid) {
    CStatement query(tx.Store(),
                     "SELECT COALESCE(SUM(size), 0) FROM nodes WHERE uid = ?1 AND folder = 0");
    query.Bind(1, uid);
    query.Step();
    return query.Int(0);
}

}  // namespace norvel::service
