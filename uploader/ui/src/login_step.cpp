#include "login_step.h"

#include <algorithm>

#include "actions/auth_action.h"
#include "actions/client_identity.h"
#include "captcha_picture.h"

namespace ui {
namespace {

using Kind = CLoginStep::Kind;

void Wipe(std::u16string& text) {
    std::fill(text.begin(), text.end(), u'\0');
    text.clear();
}

CLoginStep CaptchaStep(int code) {
    CLoginStep step;
    step.kind = Kind::Captcha;
    step.code = code;
    step.captchaUrl = actions::GetLoginChallenge().captcha;
    step.captchaBytes = FetchCaptcha(step.captchaUrl);
    return step;
}

CLoginStep Authenticate(actions::CAuthAction& action) {
    const int code = action.Execute();
    const actions::AuthResult& result = action.GetResult();
    CLoginStep step;
    step.code = code;
    if (code == 0) {
        step.kind = Kind::LoggedIn;
        step.token = result.token;
    } else if (result.login == u"false") {
        step.kind = Kind::WrongPassword;
    } else if (!result.captchaId.empty()) {
        return CaptchaStep(code);  // asked for a captcha, or a wrong answer to one
    } else if (code == actions::kLoginServiceBusy) {
        step.kind = Kind::TryAgain;
    } else {
        step.kind = Kind::NetError;
    }
    return step;
}

}  // namespace

CLoginStep RunLoginStep(actions::CAuthAction& action, std::u16string account,
                        std::u16string password, std::u16string captcha, bool answering) {
    CLoginStep step;
    if (actions::EnsureClientIdentity() == 0) {
        step.kind = Kind::NoIdentity;
        Wipe(password);
        return step;
    }
    action.m_UserName = std::move(account);
    action.m_Password = std::move(password);
    action.m_Captcha = std::move(captcha);
    if (!answering) {
        const int prepared = action.Prepare();
        if (prepared == 0)
            step = CaptchaStep(prepared);
        else if (prepared == actions::kLoginServiceBusy)
            step.kind = Kind::TryAgain, step.code = prepared;
        else if (prepared != actions::kLoginCaptchaNotNeeded)
            step.kind = Kind::NoIdentity, step.code = prepared;  // the first step failed
        else
            step = Authenticate(action);
    } else {
        step = Authenticate(action);
    }
    Wipe(action.m_Password);
    return step;
}

}  // namespace ui
