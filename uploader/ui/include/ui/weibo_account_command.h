#pragma once

// The Sina Weibo side of the main window's account command (WM_ACCOUNT_COMMAND with
// wParam kAccountWeibo): lParam kWeiboUnbindAccount unbinds the Sina Weibo account,
// kWeiboBindAccount binds one (through the browser, ui/binding_sina_dlg.h) when somebody
// is logged in, else tells the user to log in first ("请先登录!!").

#include <functional>
#include <string_view>

#include "platform/window.h"
#include "ui/binding_sina_dlg.h"

namespace ui {

struct CWeiboCommandHooks {
    CWeiboBindingHooks binding;
    std::function<int()> unbind;                                // default: the unbind operation
    std::function<void(std::u16string_view text)> showMessage;  // default: the interface's
};

// The result: 0 when the operation succeeded (bound, unbound), else non-zero.
platform::LResult RunWeiboAccountCommand(platform::LParam lParam,
                                         const CWeiboCommandHooks& hooks = {});

}  // namespace ui
