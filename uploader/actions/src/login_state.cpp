#include <mutex>

#include "actions/auth_action.h"

namespace actions {
namespace {

std::mutex g_LoginLock;
LoginChallenge g_Login;  // guarded by g_LoginLock

}  // namespace

LoginChallenge GetLoginChallenge() {
    std::lock_guard lock(g_LoginLock);
    return g_Login;
}

void SetLoginChallenge(LoginChallenge state) {
    std::lock_guard lock(g_LoginLock);
    g_Login = std::move(state);
}

void SetLoginCaptchaId(std::u16string_view captchaId) {
    std::lock_guard lock(g_LoginLock);
    g_Login.captchaId = captchaId;
}

}  // namespace actions
