#pragma once

// The login command: the client-identity check, the two login steps and the user
// information, then the login is stored as the login dialog stores it with "remember"
// ticked, so that the uploader restores it at its next start. A captcha that the service
// asks for is shown as its address, and the text the user reads there is sent with a
// second try.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "actions/command_line_login.h"

namespace send {

// The account's login steps: actions::LoginForCommandLine outside tests.
using LoginSteps = std::function<actions::CommandLineLoginResult(
    std::u16string_view name, std::u16string_view password, std::u16string_view captcha,
    std::u16string_view captchaId)>;

// Asks the user for the text of the captcha at the address; nothing when none was given.
using CaptchaReader = std::function<std::optional<std::string>(const std::string& captchaUrl)>;

// When a step got no reply at all: which service address could not be reached and why
// ("127.0.0.1:17890: connection refused"); empty when nothing could be found out.
using UnreachableExplainer = std::function<std::string()>;

// Logs the account in; messages go to err. Returns the exit status.
int RunLogin(const LoginSteps& login, const CaptchaReader& readCaptcha, const std::string& userName,
             const std::string& password, std::ostream& err,
             const UnreachableExplainer& explainNoReply = {});

}  // namespace send
