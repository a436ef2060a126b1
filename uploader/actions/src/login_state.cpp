#include "actions/auth_action.h"
#include "tools/guarded.h"

namespace actions {
namespace {

tools::Guarded<LoginChallenge> g_Login;

}  // namespace

LoginChallenge GetLoginChallenge() {
    return g_Login.Get();
}

void SetLoginChallenge(LoginChallenge state) {
    g_Login.Set(std::move(state));
}

void SetLoginCaptchaId(std::u16string_view captchaId) {
    g_Login.With([captchaId](LoginChallenge& login) { login.captchaId = captchaId; });
}

}  // namespace actions
