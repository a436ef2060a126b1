#include <thread>

#include "actions/weibo_action.h"
#include "tools/guarded.h"

namespace actions {
namespace {

constexpr int kStatusTries = 2;

tools::Guarded<BoundWeiboAccount> g_Bound;

}  // namespace

BoundWeiboAccount GetBoundWeiboAccount() {
    return g_Bound.Get();
}

WeiboAccountStatus QueryWeiboAccount(std::chrono::milliseconds retryWait) {
    WeiboAccountStatus status;
    for (int attempt = 1; attempt <= kStatusTries; ++attempt) {
        CSinaWeiboAction action(WeiboOperation::Status);
        status.result = action.Execute();
        if (status.result == 0) {
            status.screenName = action.m_ScreenName;
            status.account = action.m_Account;
            status.status = action.m_Status;
            g_Bound.Set({action.m_Account, action.m_ScreenName});
            break;
        }
        if (attempt < kStatusTries)
            std::this_thread::sleep_for(retryWait);
    }
    return status;
}

int PostToWeibo(const std::string& contentAnsi, const std::string& picture,
                const std::string& resourceUrl, std::string& messageId) {
    CSinaWeiboAction action(WeiboOperation::Post);
    action.m_Content = contentAnsi;
    action.m_Picture = picture;
    action.m_ResourceUrl = resourceUrl;
    const int result = action.Execute();
    messageId = action.m_MessageId;
    return result;
}

int BindWeibo(std::string& bindUrl) {
    CSinaWeiboAction action(WeiboOperation::Bind);
    const int result = action.Execute();
    bindUrl = action.m_BindUrl;
    return result;
}

int UnbindWeibo() {
    const int result = CSinaWeiboAction(WeiboOperation::Unbind).Execute();
    if (result == 0)
        g_Bound.Set({});
    return result;
}

}  // namespace actions
