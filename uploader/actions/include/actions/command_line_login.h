#pragma once

// The whole login for a command-line client, in one call: the client identity check,
// the preparation and the authentication, then the user information, and the login
// stored as kept ("KEEP_LOGIN" 1), as the login dialog's completion stores it.
//
// A service that wants a captcha answers CaptchaRequired with the captcha's address and
// id; the caller shows the address, asks for the text and calls again with both.

#include <string>
#include <string_view>

namespace actions {

enum class CommandLineLoginOutcome {
    LoggedIn,
    WrongPassword,     // the service refused the name or password
    CaptchaRequired,   // see captchaUrl and captchaId
    TryAgain,          // the service was busy or asked to start again
    NoClientIdentity,  // the client identity could not be obtained
    ServiceError,      // no usable reply
    NotSaved,          // logged in, but the login could not be stored
};

struct CommandLineLoginResult {
    CommandLineLoginOutcome outcome = CommandLineLoginOutcome::ServiceError;
    int code = -1;              // the result of the last step that ran
    int errorCode = 0;          // its m_ErrorCode: HTTP status or reply fault
    std::u16string errorText;   // the service's refusal text
    std::u16string captchaUrl;  // CaptchaRequired: the image to show
    std::u16string captchaId;   // CaptchaRequired: hand back with the typed text
    std::u16string userId;      // LoggedIn, NotSaved
};

// captcha and captchaId: the text the user read from an earlier CaptchaRequired result,
// and that result's captcha id; both empty when there is none.
CommandLineLoginResult LoginForCommandLine(std::u16string_view name, std::u16string_view password,
                                           std::u16string_view captcha = {},
                                           std::u16string_view captchaId = {});

}  // namespace actions
