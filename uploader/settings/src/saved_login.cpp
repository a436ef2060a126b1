#include <thread>

#include "platform/system.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/session_state.h"
#include "settings/settings.h"
#include "settings_internal.h"

namespace settings {
namespace {

// A login saved without "keep" is valid only while the machine has not rebooted: its
// stored boot time may differ from the current one by rounding, but not by more.
constexpr int64_t kBootTimeTolerance = 8;  // seconds
constexpr int kConfirmTries = 3;

bool ConfirmWithService(const LoginConfirmation& confirmation) {
    if (!confirmation.query)
        return false;
    for (int attempt = 1; attempt <= kConfirmTries; ++attempt) {
        if (confirmation.query())
            return true;
        if (attempt < kConfirmTries)
            std::this_thread::sleep_for(confirmation.retryWait);
    }
    return false;
}

bool SavedBeforeLastBoot() {
    const auto stored = ReadDword(kFlingaKey, kSystemStartTime);
    // The DWORD holds seconds since 1970; a missing value counts as -1.
    const int64_t savedBootTime = stored ? static_cast<int64_t>(*stored) : -1;
    return GetBootTime() - savedBootTime > kBootTimeTolerance;
}

}  // namespace

int64_t GetBootTime() {
    return platform::UnixTimeNow() - static_cast<int64_t>(platform::MillisecondsSinceBoot() / 1000);
}

bool HasKeptLogin() {
    const auto keep = ReadDword(kFlingaKey, kKeepLogin);
    return keep && *keep == 1 && ReadString(kFlingaKey, kUserName) &&
           ReadString(kFlingaKey, kUserToken);
}

bool HasUsableSavedLogin() {
    if (!ReadString(kNorvelKey, kClientId) || !ReadString(kNorvelKey, kClientSecret) ||
        !ReadString(kFlingaKey, kUserName) || !ReadString(kFlingaKey, kUserToken) ||
        !ReadString(kFlingaKey, kUserId))
        return false;
    const auto keep = ReadDword(kFlingaKey, kKeepLogin);
    return (keep && *keep != 0) || !SavedBeforeLastBoot();
}

int RestoreSavedLogin(CSessionState& session, const LoginConfirmation& confirmation) {
    if (!HasUsableSavedLogin())
        return 0;
    const auto clientId = ReadString(kNorvelKey, kClientId);
    const auto clientSecret = ReadString(kNorvelKey, kClientSecret);
    const auto userName = ReadString(kFlingaKey, kUserName);
    const auto token = ReadString(kFlingaKey, kUserToken);
    const auto userId = ReadString(kFlingaKey, kUserId);
    if (!clientId || !clientSecret || !userName || !token || !userId)
        return 0;  // changed by another process meanwhile

    CacheClientIdentity(*clientId, *clientSecret);
    SetUserName(*userName);
    SetToken(*token);
    SetUserId(platform::WideToAnsi(*userId));

    if (!ConfirmWithService(confirmation))
        return 0;
    session.SetLoggedIn(true);
    return 1;
}

bool SaveLoginCompletion(const LoginCompletion& login) {
    WriteDword(kFlingaKey, kKeepLogin, login.keepLogin ? 1 : 0);
    const bool tokenSaved = WriteString(kFlingaKey, kUserToken, login.token);
    WriteString(kFlingaKey, kUserName, login.userName);
    if (login.keepLogin)
        DeleteValue(kFlingaKey, kSystemStartTime);
    else
        WriteDword(kFlingaKey, kSystemStartTime, static_cast<uint32_t>(GetBootTime()));
    WriteString(kFlingaKey, kUserId, platform::Utf8ToWide(login.userIdUtf8));

    SetUserName(login.userName);
    SetToken(login.token);
    SetUserId(login.userIdUtf8);
    return tokenSaved;
}

}  // namespace settings
