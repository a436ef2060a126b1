// The main window's commands: the exit sequence, the updater start, the user-information
// results and the account commands from outside.

#include <string>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "log/log.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "ui/qt_intake_ui.h"
#include "ui/ui_images.h"
#include "ui/upload_dlg.h"
#include "ui/weibo_account_command.h"

namespace ui {
namespace {

using platform::LResult;

// The about box's title: it goes when the library quits for an update.
constexpr std::u16string_view kAboutTitle = u" 关于";

void CloseIfOpen(platform::WindowHandle window) {
    if (window != platform::kNoWindow && platform::IsWindow(window))
        platform::SendMessage(window, platform::WM_CLOSE);
}

void CloseSecondaryWindows() {
    for (const platform::WindowHandle window : intake::SecondaryWindows())
        CloseIfOpen(window);
}

}  // namespace

// The dialog's cancel command, and the end of save-and-exit: everything stops. With the
// workers told to end, the library has nothing left to do, so the host closes too.
void CuploadDlg::ExitSequence() {
    FreeUiImages();
    intake::BeginShutdown();
    CloseIfOpen(m_Ui.MiniWindow());
    m_Timers.Kill(kUserInfoTimer);
    m_Ui.CloseHost();
    CloseWindow();
}

LResult CuploadDlg::OnStartUpdater() {
    if (m_UpdaterStarted)
        return 0;
    const std::u16string updater = m_Ui.Options().updaterPath;
    // A missing or unstartable updater changes nothing: quitting for an update that will
    // not come would only stop the user's uploads.
    if (updater.empty() || !platform::FileSize(updater) ||
        !platform::StartDetached({platform::WideToUtf8(updater),
                                  std::to_string(platform::CurrentProcessId()),
                                  platform::WideToUtf8(settings::GetHostProgramPath())})) {
        Log().Write(L3_KEY, u"Uploader_Update", false, u"DESC=the updater could not be started",
                    updater);
        return 0;
    }
    m_UpdaterStarted = true;
    m_TaskContainer->RemoveAllRows();
    m_Ui.Counters().Reset();
    intake::StopAllTasks();
    m_Ui.CloseHost();
    CloseIfOpen(platform::FindWindowByTitle(kAboutTitle));
    return 1;
}

LResult CuploadDlg::OnUserInfoDone(platform::WParam wParam, platform::LParam lParam) {
    if (wParam == intake::kUserInfoAfterLogin) {
        // The login has its user information: the login dialog completes (it stores the
        // login), the batches that waited for it go on, and the dialog closes.
        const platform::WindowHandle login = intake::LoginWindow();
        if (platform::IsWindow(login))
            platform::SendMessage(login, intake::WM_USERINFO_DONE, intake::kUserInfoAfterLogin, 0);
        platform::SendMessage(Handle(), intake::WM_LOGIN_DONE);
        CloseIfOpen(login);
        intake::SetLoginWindow(platform::kNoWindow);
        intake::Session().ReleaseLoginDialog();
        StartUserInfoTimer();
    } else if (wParam == intake::kUserInfoCleared && lParam == 0) {
        settings::SetUserName(u"");
        settings::SetToken(u"");
    }
    return 0;
}

LResult CuploadDlg::OnAccountCommand(platform::WParam wParam, platform::LParam lParam) {
    if (wParam == intake::kAccountLogin && lParam == intake::kAccountLogOut)
        LogOut();
    else if (wParam == intake::kAccountLogin && lParam == intake::kAccountLogInAgain)
        LogInAgain();
    else if (wParam == intake::kAccountWeibo)
        return RunWeiboAccountCommand(lParam);
    else if (wParam == intake::kAccountAutoLoginWeb)
        m_AutoLoginWeb = static_cast<int>(lParam);
    return 0;
}

void CuploadDlg::LogOut() {
    settings::DeleteAllValues(settings::kFlingaKey);
    m_Ui.ShowMessage(u"注销，退出程序！！！", u"");
    CloseIfOpen(m_Ui.MiniWindow());
    CloseSecondaryWindows();
    OnClose();
}

void CuploadDlg::LogInAgain() {
    if (!intake::Session().TryClaimLoginDialog())
        return;
    CloseSecondaryWindows();
    const platform::WindowHandle login = m_Ui.OpenLoginDialog();
    intake::SetLoginWindow(login);
    intake::AddSecondaryWindow(login);
}

}  // namespace ui
