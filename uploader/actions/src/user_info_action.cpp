#include "action_text.h"
#include "actions/user_info.h"
#include "json/json.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace actions {
namespace {

constexpr int kErrnoBusy = 2;
constexpr int kStatusTokenExpired = 440;

}  // namespace

CGetUserMsgAction::CGetUserMsgAction(std::u16string_view userName) : m_UserName(ToUtf8(userName)) {}

std::string CGetUserMsgAction::RequestBody() const {
    return "token=" + ToAnsi(settings::GetToken()) + "&username=" + m_UserName +
           "&cname=" + ToUtf8(settings::GetChanger());
}

int CGetUserMsgAction::Execute() {
    const auto reply = PostForm(settings::GetApiHost(), u"/app/pc/user.info.php", RequestBody());
    if (m_ErrorCode == kStatusTokenExpired)
        return kUserInfoTokenExpired;
    if (!reply)
        return -1;
    try {
        if (GetErrno(reply.get()) == kErrnoBusy)
            return kUserInfoServiceBusy;
        // Everything is read before anything is stored.
        const std::string maxfs = Scalar(*reply, "maxfs");
        const std::string level = Scalar(*reply, "level");
        const std::string uid = Scalar(*reply, "uid");
        const std::string space = Scalar(*reply, "spacecapacity");
        const std::string used = Scalar(*reply, "usedspacecapacity");
        const std::string validity = Scalar(*reply, "periodofvalidity");
        settings::SetUserId(uid);
        settings::SetUserLevel(FromAnsi(level));
        settings::SetMaxFileSize(FromAnsi(maxfs));
        settings::SetSpaceCapacity(FromAnsi(space));
        settings::SetUsedSpace(FromAnsi(used));
        settings::SetPrivPfval(FromAnsi(validity));
        return 0;
    } catch (...) {
        RecordException();
        return -1;
    }
}

}  // namespace actions
