#pragma once

// Login with account name and password, in two requests: the preparation fetches a
// one-time challenge (and a captcha when the service wants one), the authentication
// sends Md5Hex(UTF-8 password + challenge) instead of the password.
//
//   Prepare ──► 0 (captcha to show) / 1002 (none needed) ──► Execute ──► 0: logged in
//                                                               │
//                       captcha request or "again" ◄────────────┘ (-1, login text "error")
//                       └─► Execute again with the new challenge and captcha id
//
// The challenge, captcha and captcha id are process-wide: a fresh action after a captcha
// request goes on with them without a new Prepare. Only a successful login stores
// anything (the token and the account figures, in the settings).

#include <string>
#include <string_view>

#include "net/action.h"

namespace actions {

// Results of Prepare and Execute besides 0 and -1.
inline constexpr int kLoginNoReply = 1000;           // Execute: no reply came at all
inline constexpr int kLoginCaptchaNotNeeded = 1002;  // Prepare: no captcha in the reply
inline constexpr int kLoginServiceBusy = 1003;       // "errno" 2 from either step

// The process-wide login state. Guarded: any thread may read it while a login runs.
struct LoginChallenge {
    std::u16string challenge;
    std::u16string captcha;  // the address of the captcha image
    std::u16string captchaId;
};
LoginChallenge GetLoginChallenge();
void SetLoginChallenge(LoginChallenge state);
// Replaces only the captcha id: a caller answering a captcha that it showed earlier.
void SetLoginCaptchaId(std::u16string_view captchaId);

// What the last Execute received; texts converted from the ANSI code page.
struct AuthResult {
    std::u16string login;  // "true", "false", or "error" for every other failure
    std::u16string error;  // the refusal text of a "false" reply
    std::u16string challenge, captcha, captchaId;  // as received with a captcha request
    std::u16string token, hbgap;
    std::u16string uid, level, maxfs, spaceCapacity, periodOfValidity;
};

class CAuthAction : public net::CAction {
public:
    // Inputs, set before the requests.
    std::u16string m_Captcha;     // the captcha text the user typed (empty when none)
    std::u16string m_UserName;    // the account; Prepare falls back to the stored name
    std::u16string m_Password;    // as typed
    std::u16string m_ClientId;    // empty: the stored client id
    std::u16string m_ClientName;  // "cname"; empty: the computer name

    // The preparation request: 0 with a captcha, kLoginCaptchaNotNeeded without one,
    // kLoginServiceBusy, -1 for anything else (the state is then left as it was).
    int Prepare();
    // The authentication request: 0 logged in, kLoginServiceBusy, kLoginNoReply, -1 for
    // every other outcome (GetResult tells which).
    virtual int Execute();
    const AuthResult& GetResult() const { return m_Result; }

    // The exact form bodies of the two requests (with the current login state).
    std::string PrepareBody() const;
    std::string ExecuteBody() const;

private:
    std::u16string UserName() const;
    std::u16string ClientId() const;
    std::u16string ClientName() const;
    int ReadAuthReply(const Script::JsonObject& reply);
    int TakeLogin(const Script::JsonObject& reply);
    void TakeCaptchaRequest(const Script::JsonObject& reply);
    void LogFailure(std::u16string_view cause);

    AuthResult m_Result;
};

}  // namespace actions
