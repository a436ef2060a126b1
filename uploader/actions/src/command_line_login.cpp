#include "actions/command_line_login.h"

#include "action_text.h"
#include "actions/auth_action.h"
#include "actions/client_identity.h"
#include "actions/user_info.h"
#include "settings/settings.h"

namespace actions {
namespace {

using Outcome = CommandLineLoginOutcome;

CommandLineLoginResult Finish(Outcome outcome, int code, const net::CAction& action) {
    CommandLineLoginResult result;
    result.outcome = outcome;
    result.code = code;
    result.errorCode = action.m_ErrorCode;
    return result;
}

CommandLineLoginResult CaptchaRequired(int code, const net::CAction& action) {
    CommandLineLoginResult result = Finish(Outcome::CaptchaRequired, code, action);
    const LoginChallenge login = GetLoginChallenge();
    result.captchaUrl = login.captcha;
    result.captchaId = login.captchaId;
    return result;
}

// What a failed authentication means for the caller.
CommandLineLoginResult AuthFailure(int code, const CAuthAction& auth) {
    const AuthResult& reply = auth.GetResult();
    if (code == kLoginServiceBusy)
        return Finish(Outcome::TryAgain, code, auth);
    if (reply.login == u"false") {
        CommandLineLoginResult result = Finish(Outcome::WrongPassword, code, auth);
        result.errorText = reply.error;
        return result;
    }
    if (!reply.captchaId.empty())
        return CaptchaRequired(code, auth);
    if (!reply.challenge.empty())
        return Finish(Outcome::TryAgain, code, auth);  // "again": a new challenge came
    return Finish(Outcome::ServiceError, code, auth);
}

// Stores the login as kept, with the user id of the user information when it came.
CommandLineLoginResult Complete(std::u16string_view name, const CAuthAction& auth) {
    CGetUserMsgAction info(name);
    const bool infoCame = info.Execute() == 0;
    const std::u16string userId = infoCame ? FromAnsi(settings::GetUserId()) : auth.GetResult().uid;
    settings::LoginCompletion login;
    login.keepLogin = true;
    login.userName = name;
    login.token = auth.GetResult().token;
    login.userIdUtf8 = ToUtf8(userId);
    // The uploader learns of the login from what is saved here (the plug-in client runs
    // in a process of its own).
    const bool saved = settings::SaveLoginCompletion(login);
    CommandLineLoginResult result = Finish(saved ? Outcome::LoggedIn : Outcome::NotSaved, 0, auth);
    result.userId = userId;
    return result;
}

}  // namespace

CommandLineLoginResult LoginForCommandLine(std::u16string_view name, std::u16string_view password,
                                           std::u16string_view captcha,
                                           std::u16string_view captchaId) {
    CAuthAction auth;
    if (EnsureClientIdentity() == 0)
        return Finish(Outcome::NoClientIdentity, -1, auth);
    auth.m_UserName = name;
    auth.m_Password = password;
    auth.m_Captcha = captcha;

    const int prepared = auth.Prepare();
    if (prepared == kLoginServiceBusy)
        return Finish(Outcome::TryAgain, prepared, auth);
    if (prepared != 0 && prepared != kLoginCaptchaNotNeeded)
        return Finish(Outcome::ServiceError, prepared, auth);
    if (prepared == 0 && captcha.empty())
        return CaptchaRequired(prepared, auth);
    // The text answers the captcha shown earlier, which stays valid by its id.
    if (!captcha.empty() && !captchaId.empty())
        SetLoginCaptchaId(captchaId);

    const int executed = auth.Execute();
    if (executed != 0)
        return AuthFailure(executed, auth);
    return Complete(name, auth);
}

}  // namespace actions
