#include <atomic>
#include <mutex>
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

std::mutex g_SeamLock;
// Made on first use: the library's load hook installs the query, possibly before the
// static objects of this file would have been initialized (a std::function is not
// constant-initialized, and its initialization would empty it again).
UserInfoQuery& InstalledQuery() {
    static UserInfoQuery query;
    return query;
}
std::chrono::milliseconds g_RetryWait{200};

bool ConfirmWithService() {
    UserInfoQuery query;
    std::chrono::milliseconds wait;
    {
        std::lock_guard lock(g_SeamLock);
        query = InstalledQuery();
        wait = g_RetryWait;
    }
    if (!query)
        return false;
    for (int attempt = 1; attempt <= kConfirmTries; ++attempt) {
        if (query())
            return true;
        if (attempt < kConfirmTries)
            std::this_thread::sleep_for(wait);
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

int RestoreSavedLogin() {
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

    if (!ConfirmWithService())
        return 0;
    g_LoggedIn = 1;
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

void SetUserInfoQuery(UserInfoQuery query) {
    std::lock_guard lock(g_SeamLock);
    InstalledQuery() = std::move(query);
}

void SetRestoreRetryWait(std::chrono::milliseconds wait) {
    std::lock_guard lock(g_SeamLock);
    g_RetryWait = wait;
}

}  // namespace settings
