#include "actions/actions.h"
#include "actions/norvel_counter.h"
#include "actions/user_info.h"
#include "background_work.h"
#include "settings/settings.h"

namespace actions {

void StartActions() {
    OpenBackgroundWork();
    OpenUsageCounter();
}

void StopActions() {
    StopUsageCounter();
    CloseBackgroundWork();
}

bool ConfirmSavedLogin() {
    return CGetUserMsgAction(settings::GetUserName()).Execute() == 0;
}

}  // namespace actions
