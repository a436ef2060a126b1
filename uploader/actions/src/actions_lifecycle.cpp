#include "actions/actions.h"
#include "actions/norvel_counter.h"
#include "actions/user_info.h"
#include "background_work.h"
#include "intake/usage_counter.h"
#include "settings/settings.h"

namespace actions {

void InstallActions() {
    OpenBackgroundWork();
    OpenUsageCounter();
    settings::SetUserInfoQuery(
        [] { return CGetUserMsgAction(settings::GetUserName()).Execute() == 0; });
    intake::SetUsageCounter(&CountUse);
}

void StopActions() {
    intake::SetUsageCounter(nullptr);
    settings::SetUserInfoQuery(nullptr);
    StopUsageCounter();
    CloseBackgroundWork();
}

}  // namespace actions
