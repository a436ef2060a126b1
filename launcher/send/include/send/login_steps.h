#pragma once

// The account steps that the login command runs, filled at link time by the library's
// account actions when they are built (src/login_steps_actions.cpp), else absent.

#include <string>

namespace send {

// What the authentication step of a login gives back.
struct AuthOutcome {
    int code = -1;               // 0 logged in; 1000 no reply; 1003 try again; -1 otherwise
    std::u16string loginText;    // "true", "false", or what else the service said
    std::u16string errorText;    // the service's reason for a refusal
    bool captchaRequested = false;  // the service wants a captcha first
    std::u16string token;        // the user's token (logged in)
    std::string userIdUtf8;      // the account's user id (logged in)
};

struct CLoginSteps {
    // The start-up check of the client identity: obtains and stores one when none is
    // stored; true when a complete one is stored afterwards.
    bool (*ensureClientIdentity)();
    // The login's first step (the challenge): 0 or 1002 let the login go on, 1003 asks to
    // try again, anything else failed.
    int (*prepare)();
    // The second step with the account, the password as typed and the computer's name.
    AuthOutcome (*authenticate)(const std::u16string& userName, const std::u16string& password,
                                const std::u16string& clientName);
};

// The steps of this build; null when the account actions are not built in.
const CLoginSteps* AccountLoginSteps();

}  // namespace send
