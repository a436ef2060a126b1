#pragma once

// Accounts, their user tokens and their figures.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvel::service {

class CStore;
class CTransaction;

struct CAccount {
    int64_t uid = 0;
    std::string name;
    std::string password;  // as set; the login digest needs it (MD5 of password + challenge)
    int64_t space = 0;     // bytes the account may hold
    int64_t maxfs = 0;     // largest single file in bytes
    std::string level;
    std::string validity;  // period of validity, a date text
    std::string weiboUid;  // bound Sina Weibo account, empty when none
    std::string weiboName;
};

struct CNewAccount {
    std::string name;
    std::string password;
    int64_t space = int64_t(10) << 30;  // 10 GiB
    int64_t maxfs = int64_t(2) << 30;   // 2 GiB
    std::string level = "1";
};

enum class AddResult { Added, Exists, Invalid };

// The folder every account's uploads go to; it and its parent exist from the start.
inline constexpr std::string_view kReceivedFolder = "/我的网盘/我收到的文件";

// Names are 1 to 64 bytes without control characters, "&", "=", "+", "%" or ":" (they
// travel unencoded in form bodies); passwords 1 to 128 bytes without control characters.
bool IsValidAccountName(std::string_view name);
bool IsValidPassword(std::string_view password);

AddResult AddAccount(CStore& store, const CNewAccount& account);

std::optional<CAccount> FindAccountByName(CTransaction& tx, std::string_view name);
std::optional<CAccount> FindAccountByUid(CTransaction& tx, int64_t uid);

enum class TokenState { Valid, Expired, Unknown };
struct CTokenOwner {
    TokenState state = TokenState::Unknown;
    int64_t uid = 0;
};

CTokenOwner TokenOwner(CTransaction& tx, std::string_view token);
std::string IssueToken(CTransaction& tx, int64_t uid);
// Marks every token (or every token of one user, uid > 0) expired.
void ExpireTokens(CTransaction& tx, int64_t uid);

// Bytes held by the files of the account's tree.
int64_t UsedSpace(CTransaction& tx, int64_t uid);

}  // namespace norvel::service
