#include "actions/weibo_action.h"

#include <cstdlib>

#include "action_text.h"
#include "json/json.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace actions {
namespace {

constexpr int kStatusOk = 200;
constexpr int kStatusRefused = 400;

const char* OperationText(WeiboOperation operation) {
    switch (operation) {
        case WeiboOperation::Status:
            return "account_status";
        case WeiboOperation::Post:
            return "post";
        case WeiboOperation::Unbind:
            return "account_unbind";
        case WeiboOperation::Bind:
            return "account_bind";
    }
    return "";
}

// A refusal's "errno"; one that reads as 0 is no success either.
int RefusalCode(const Script::JsonObject& reply) {
    const int code = std::atoi(Scalar(reply, "errno").c_str());
    Scalar(reply, "error");
    return code != 0 ? code : kWeiboFailed;
}

}  // namespace

std::string CSinaWeiboAction::RequestBody() const {
    std::string body = "token=" + ToAnsi(settings::GetToken()) +
                       "&cname=" + ToUtf8(settings::GetChanger()) +
                       "&action=" + OperationText(m_Operation);
    if (m_Operation == WeiboOperation::Post)
        body += "&content=" + ToUtf8(FromAnsi(m_Content)) + "&pic=" + m_Picture +
                "&resource_url=" + m_ResourceUrl;
    return body;
}

int CSinaWeiboAction::Execute() {
    const auto reply = PostForm(settings::GetApiHost(), u"/app/pc/sina_weibo.php ", RequestBody());
    if (!reply)
        return kWeiboFailed;
    try {
        if (m_ErrorCode == kStatusRefused)
            return RefusalCode(*reply);
        if (m_ErrorCode != kStatusOk)
            return kWeiboFailed;
        return TakeConfirmation(*reply);
    } catch (...) {
        RecordException();
        return kWeiboFailed;
    }
}

// The outputs change only when the whole reply could be read.
int CSinaWeiboAction::TakeConfirmation(const Script::JsonObject& reply) {
    switch (m_Operation) {
        case WeiboOperation::Status: {
            Scalar(reply, "action");
            std::string account = Scalar(reply, "account");
            m_ScreenName = Scalar(reply, "screen_name");
            m_Account = std::move(account);
            break;
        }
        case WeiboOperation::Post:
            Scalar(reply, "action");
            m_MessageId = Scalar(reply, "sina_weibo_msgid");
            break;
        case WeiboOperation::Bind: {
            std::string bindUrl = Scalar(reply, "bind_url");
            if (bindUrl.empty())
                return kWeiboFailed;  // nothing to open
            m_BindUrl = std::move(bindUrl);
            break;
        }
        case WeiboOperation::Unbind:
            return Scalar(reply, "action") == "true" ? 0 : kWeiboFailed;
    }
    m_Status = 0;
    return 0;
}

}  // namespace actions
