#include "actions/user_info.h"
#include "background_work.h"
#include "intake/intake_state.h"
#include "intake/messages.h"
#include "platform/event.h"
#include "platform/window.h"
#include "settings/settings.h"

namespace actions {

int RefreshUserInfo(int mode, platform::Event* ready) {
    const int result = CGetUserMsgAction(settings::GetUserName()).Execute();
    if (mode == kRefreshAfterLogin || mode == kRefreshQuery) {
        // Posted rather than sent: the window's thread may be the one that waits for this
        // thread to end (at unload).
        platform::PostMessage(
            intake::MainWindow(), intake::WM_USERINFO_DONE,
            mode == kRefreshAfterLogin ? intake::kUserInfoAfterLogin : intake::kUserInfoQueried, 0);
    } else if (mode == kRefreshSignal && ready) {
        ready->Set();
    }
    return result;
}

bool StartUserInfoRefresh(int mode, std::shared_ptr<platform::Event> ready) {
    return StartBackgroundWork(
        [mode, ready = std::move(ready)] { RefreshUserInfo(mode, ready.get()); });
}

}  // namespace actions
