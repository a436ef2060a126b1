#pragma once

// The account figures of the logged-in user ("/app/pc/user.info.php"): space, used
// space, level, largest file and validity, handed to the settings store. The request
// also confirms a saved login at start (settings::RestoreSavedLogin).

#include <memory>
#include <string>
#include <string_view>

#include "net/action.h"

namespace platform {
class Event;
}

namespace actions {

inline constexpr int kUserInfoServiceBusy = 1003;   // "errno" 2
inline constexpr int kUserInfoTokenExpired = 4013;  // HTTP status 440

class CGetUserMsgAction : public net::CAction {
public:
    explicit CGetUserMsgAction(std::u16string_view userName);

    // 0 with the figures stored, kUserInfoServiceBusy, kUserInfoTokenExpired, else -1.
    int Execute();
    std::string RequestBody() const;

private:
    std::string m_UserName;  // UTF-8
};

// How RefreshUserInfo reports back.
inline constexpr int kRefreshQuiet = 0;       // not at all (the periodic refresh)
inline constexpr int kRefreshAfterLogin = 1;  // WM_USERINFO_DONE kUserInfoAfterLogin to main
inline constexpr int kRefreshQuery = 2;       // WM_USERINFO_DONE kUserInfoQueried to main
inline constexpr int kRefreshSignal = 3;      // sets the event

// Runs the request for the stored user name, then reports: kRefreshAfterLogin and
// kRefreshQuery post WM_USERINFO_DONE (kUserInfoAfterLogin, kUserInfoQueried) to the main
// window, kRefreshSignal sets `ready` (may be null). Returns the action's result.
int RefreshUserInfo(int mode, platform::Event* ready = nullptr);
// The same on a thread of its own; the thread keeps the event alive. False when
// background work has been stopped (the library is unloading).
bool StartUserInfoRefresh(int mode, std::shared_ptr<platform::Event> ready = nullptr);

}  // namespace actions
