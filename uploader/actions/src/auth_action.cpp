#include "actions/auth_action.h"

#include "action_text.h"
#include "json/json.h"
#include "log/log.h"
#include "log/log_events.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "tools/md5.h"

namespace actions {
namespace {

constexpr int kErrnoBusy = 2;

// The password travels only as Md5Hex(UTF-8 password + challenge).
std::string PasswordDigest(std::u16string_view password, std::u16string_view challenge) {
    const std::string text = ToUtf8(password) + ToUtf8(challenge);
    std::string digest;
    tools::Md5Hex(text.data(), text.size(), digest);
    return digest;
}

}  // namespace

std::u16string CAuthAction::UserName() const {
    // The preparation asks for the challenge of the account being logged in; the stored
    // name is only a fallback (it is empty before the first login of an installation).
    return m_UserName.empty() ? settings::GetUserName() : m_UserName;
}

std::u16string CAuthAction::ClientId() const {
    return m_ClientId.empty() ? settings::GetClientId() : m_ClientId;
}

std::u16string CAuthAction::ClientName() const {
    return m_ClientName.empty() ? settings::GetChanger() : m_ClientName;
}

std::string CAuthAction::PrepareBody() const {
    return "username=" + ToUtf8(UserName()) + "&cid=" + ToUtf8(settings::GetClientId());
}

std::string CAuthAction::ExecuteBody() const {
    const LoginChallenge login = GetLoginChallenge();
    return "crypt=" + PasswordDigest(m_Password, login.challenge) +
           "&captchaid=" + ToUtf8(login.captchaId) + "&captcha=" + ToUtf8(m_Captcha) +
           "&username=" + ToUtf8(UserName()) + "&cid=" + ToUtf8(ClientId()) +
           "&cname=" + ToUtf8(ClientName());
}

int CAuthAction::Prepare() {
    const auto reply = PostForm(settings::GetApiHost(), u"/app/pc/user.init.php", PrepareBody());
    if (!reply)
        return -1;
    try {
        if (GetErrno(reply.get()) == kErrnoBusy)
            return kLoginServiceBusy;
        LoginChallenge received;
        received.challenge = FromAnsi(Scalar(*reply, "challenge"));
        const bool withCaptcha = HasMember(*reply, "captcha");
        if (withCaptcha) {
            received.captcha = FromAnsi(Scalar(*reply, "captcha"));
            received.captchaId = FromAnsi(Scalar(*reply, "captchaid"));
        }
        SetLoginChallenge(std::move(received));
        return withCaptcha ? 0 : kLoginCaptchaNotNeeded;
    } catch (...) {
        RecordException();
        return -1;
    }
}

int CAuthAction::Execute() {
    m_Result = AuthResult();
    const auto reply = PostForm(settings::GetApiHost(), u"/app/pc/user.auth.php", ExecuteBody());
    int result = -1;
    if (reply) {
        result = ReadAuthReply(*reply);
    } else if (m_ReplyLength == 0) {
        Log().WriteErrorCode(m_ErrorCode, L3_KEY, log_events::kHttpReturnBodyLength0,
                             u"OP=AuthAction");
        result = kLoginNoReply;
    }
    if (result != 0 && m_Result.login != u"false") {
        m_Result.login = u"error";
        LogFailure({});
    }
    return result;
}

int CAuthAction::ReadAuthReply(const Script::JsonObject& reply) {
    try {
        if (GetErrno(&reply) == kErrnoBusy)
            return kLoginServiceBusy;
        const std::string login = Scalar(reply, "login");
        if (login == "true")
            return TakeLogin(reply);
        if (login == "false") {
            m_Result.login = u"false";
            m_Result.error = FromAnsi(Scalar(reply, "error"));
            LogFailure(m_Result.error);
            return -1;
        }
        // Any other text (also "TRUE") asks for a captcha, or to start again.
        TakeCaptchaRequest(reply);
        return -1;
    } catch (...) {
        RecordException();
        return -1;
    }
}

// Everything is read before anything is stored: a reply that lacks a member stores
// nothing.
int CAuthAction::TakeLogin(const Script::JsonObject& reply) {
    AuthResult taken;
    taken.login = u"true";
    taken.token = FromAnsi(Scalar(reply, "token"));
    taken.hbgap = FromAnsi(Scalar(reply, "hbgap"));
    const Script::JsonObject& info = Child(reply, "userinfo");
    const std::string uid = Scalar(info, "uid");
    taken.uid = FromAnsi(uid);
    taken.maxfs = FromAnsi(Scalar(info, "maxfs"));
    taken.level = FromAnsi(Scalar(info, "level"));
    taken.spaceCapacity = FromAnsi(Scalar(info, "spacecapacity"));
    taken.periodOfValidity = FromAnsi(Scalar(info, "periodofvalidity"));
    m_Result = std::move(taken);

    settings::SetToken(m_Result.token);
    settings::SetUserId(uid);
    settings::SetUserLevel(m_Result.level);
    settings::SetMaxFileSize(m_Result.maxfs);
    settings::SetPrivPfval(m_Result.periodOfValidity);
    Log().Write(L2_VIM, log_events::kAuthLogin, true, {}, u"UID=" + m_Result.uid,
                u"Client_ID=" + ClientId(), u"USER_NAME=" + UserName());
    return 0;
}

void CAuthAction::TakeCaptchaRequest(const Script::JsonObject& reply) {
    LoginChallenge request;
    request.challenge = FromAnsi(Scalar(reply, "challenge"));
    request.captcha = FromAnsi(Scalar(reply, "captcha"));
    request.captchaId = FromAnsi(Scalar(reply, "rcaptchaid"));
    m_Result.challenge = request.challenge;
    m_Result.captcha = request.captcha;
    m_Result.captchaId = request.captchaId;
    SetLoginChallenge(std::move(request));
}

void CAuthAction::LogFailure(std::u16string_view cause) {
    Log().Write(L2_VIM, log_events::kAuthLogin, false, cause, u"Client_ID=" + ClientId(),
                u"USER_NAME=" + UserName());
}

}  // namespace actions
