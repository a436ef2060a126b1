#include "ui/weibo_account_command.h"

#include <QApplication>

#include "actions/weibo_action.h"
#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "settings/settings.h"
#include "ui/sina_blogs_dlg.h"

namespace ui {
namespace {

// A Weibo window waiting in its not-bound view checks the binding again and goes on.
void TellWeiboWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* weibo = dynamic_cast<CSinaBlogsDlg*>(window))
            platform::PostMessage(weibo->Handle(), intake::WM_USERINFO_DONE,
                                  intake::kWeiboBindingChanged, 0);
}

}  // namespace

platform::LResult RunWeiboAccountCommand(platform::LParam lParam, const CWeiboCommandHooks& hooks) {
    if (lParam == intake::kWeiboUnbindAccount)
        return hooks.unbind ? hooks.unbind() : actions::UnbindWeibo();
    if (lParam != intake::kWeiboBindAccount)
        return -1;
    if (!intake::Session().IsLoggedIn() && !settings::HasKeptLogin()) {
        constexpr std::u16string_view kLogInFirst = u"请先登录!!";
        if (hooks.showMessage)
            hooks.showMessage(kLogInFirst);
        else
            intake::IntakeUi().ShowMessage(kLogInFirst, u"");
        return -1;
    }
    const int result = RunWeiboBinding(nullptr, hooks.binding);
    if (result == 0)
        TellWeiboWindows();
    return result;
}

}  // namespace ui
