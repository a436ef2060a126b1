#pragma once

// The Sina Weibo relay of the service ("/app/pc/sina_weibo.php " on the sync API host,
// the path ends with a blank): the binding of a Sina Weibo account to the cloud-disk
// account is queried, made (through a binding page) or undone, and posts are sent.
//
//   token=<token>&cname=<computer>&action=<operation>
//   [&content=<UTF-8 text>&pic=<picture>&resource_url=<address>]   a post only
//
// Results: 0 success; for a refusal (status 400) the service's "errno"; kWeiboFailed when
// no usable reply came or it did not confirm the operation.

#include <chrono>
#include <cstdint>
#include <string>

#include "net/action.h"

namespace actions {

inline constexpr int kWeiboFailed = 1012;

enum class WeiboOperation : int32_t {
    Status = 0,  // "account_status"
    Post = 1,    // "post"
    Unbind = 2,  // "account_unbind"
    Bind = 3,    // "account_bind"
};

class CSinaWeiboAction : public net::CAction {
public:
    explicit CSinaWeiboAction(WeiboOperation operation) : m_Operation(operation) {}

    // Inputs of a post (8-bit).
    std::string m_Content;      // ANSI code page; sent as UTF-8
    std::string m_Picture;      // sent as it is
    std::string m_ResourceUrl;  // sent as it is

    // Outputs (8-bit, as received).
    std::string m_ScreenName;
    std::string m_Account;
    std::string m_BindUrl;
    std::string m_MessageId;
    int32_t m_Status = -1;  // 0 after a successful status, post or bind reply

    int Execute();
    std::string RequestBody() const;

private:
    int TakeConfirmation(const Script::JsonObject& reply);

    WeiboOperation m_Operation;
};

// The bound Sina Weibo account as last confirmed in this process (empty when none).
struct BoundWeiboAccount {
    std::string uid;         // "account" of the status reply
    std::string screenName;  // "screen_name" of the status reply
};
BoundWeiboAccount GetBoundWeiboAccount();

// The status operation, once more after `retryWait` when the first attempt failed.
struct WeiboAccountStatus {
    int result = kWeiboFailed;  // of the last attempt
    std::string screenName;
    std::string account;
    int32_t status = -1;
};
WeiboAccountStatus QueryWeiboAccount(std::chrono::milliseconds retryWait = std::chrono::seconds(1));

// Single attempts, for the dialogs and the account command.
int PostToWeibo(const std::string& contentAnsi, const std::string& picture,
                const std::string& resourceUrl, std::string& messageId);
int BindWeibo(std::string& bindUrl);
int UnbindWeibo();

}  // namespace actions
