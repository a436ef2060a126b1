#pragma once

// Captchas of the login: a short text shown as an image at /captcha/<id>.svg. Each is
// valid for one login attempt of one user name.

#include <optional>
#include <string>
#include <string_view>

namespace norvel::service {

class CTransaction;

struct CCaptcha {
    std::string id;
    std::string text;
    std::string username;
};

CCaptcha NewCaptcha(CTransaction& tx, std::string_view username);
// True when the id names a captcha of that user whose text matches (letters compared
// without regard to case); the captcha is used up either way.
bool UseCaptcha(CTransaction& tx, std::string_view username, std::string_view id,
                std::string_view text);
// The newest captcha of a user, or the captcha of that id (for tests).
std::optional<CCaptcha> FindCaptcha(CTransaction& tx, std::string_view username,
                                    std::string_view id);

}  // namespace norvel::service
