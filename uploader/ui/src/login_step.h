#pragma once

// One click of the login dialog's button, run away from the user-interface thread: the
// client identity, the preparation (unless a captcha is being answered), and the
// authentication. A captcha that the service asks for stops the step with its picture,
// so that the user can read it before the next click.

#include <QByteArray>
#include <string>

namespace actions {
class CAuthAction;
}

namespace ui {

struct CLoginStep {
    enum class Kind { LoggedIn, WrongPassword, NetError, NoIdentity, Captcha, TryAgain };
    Kind kind = Kind::NetError;
    int code = -1;         // the result of the last request that ran
    std::u16string token;  // LoggedIn
    std::u16string captchaUrl;
    QByteArray captchaBytes;  // Captcha: the picture as fetched (may be empty)
};

// answering: the captcha text was typed for a captcha shown earlier, so the preparation
// is skipped (its challenge and captcha id are still the current ones). The password is
// wiped from the action when the step ends.
CLoginStep RunLoginStep(actions::CAuthAction& action, std::u16string account,
                        std::u16string password, std::u16string captcha, bool answering);

}  // namespace ui
