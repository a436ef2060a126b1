#include "ui/weibo_account_command.h"

#include "actions/weibo_action.h"
#include "intake/intake_ui.h"
#include "settings/session_state.h"
#include "settings/settings.h"

namespace ui {

platform::LResult RunWeiboAccountCommand(platform::LParam lParam, const CWeiboCommandHooks& hooks) {
    if (lParam == 0)
        return hooks.unbind ? hooks.unbind() : actions::UnbindWeibo();
    if (lParam != 1)
        return -1;
    if (settings::g_LoggedIn == 0 && !settings::HasKeptLogin()) {
        constexpr std::u16string_view kLogInFirst = u"请先登录!!";
        if (hooks.showMessage)
            hooks.showMessage(kLogInFirst);
        else
            intake::IntakeUi().ShowMessage(kLogInFirst, u"");
        return -1;
    }
    return RunWeiboBinding(nullptr, hooks.binding);
}

}  // namespace ui
