#include "ui/tray_icon.h"

#include <QSystemTrayIcon>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "settings/settings.h"
#include "ui/menu_ex.h"
#include "ui/mini_wnd.h"
#include "ui/qt_intake_ui.h"
#include "ui/ui_images.h"

namespace ui {

std::unique_ptr<CTrayIcon> CTrayIcon::CreateIfAvailable(CQtIntakeUi& ui) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    auto tray = std::make_unique<CTrayIcon>(ui);
    tray->Icon().show();
    return tray;
}

CTrayIcon::CTrayIcon(CQtIntakeUi& ui) : m_Ui(ui), m_Icon(std::make_unique<QSystemTrayIcon>()) {
    m_Icon->setIcon(QIcon(UiImages().appIcon));
    QObject::connect(m_Icon.get(), &QSystemTrayIcon::activated, m_Icon.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason != QSystemTrayIcon::Trigger)
                             return;
                         if (CMiniWnd* mini = m_Ui.MiniDialog())
                             mini->ToggleMain();
                     });
    Rebuild();
    Refresh();
}

CTrayIcon::~CTrayIcon() = default;

// The menu is made again before it opens, so that it offers the login or the logout
// that fits the moment.
void CTrayIcon::Rebuild() {
    CMiniWnd* mini = m_Ui.MiniDialog();
    m_Menu.reset(mini ? mini->BuildMenu(nullptr) : new CMenuEx);
    m_Menu->AddSeparator();
    const bool loggedIn = intake::Session().IsLoggedIn();
    m_Menu->AddCommand(loggedIn ? kLogOut : kLogIn,
                       loggedIn ? QStringLiteral("注销") : QStringLiteral("登录"));
    QObject::connect(m_Menu.get(), &QMenu::aboutToShow, m_Menu.get(), [this] {
        // Only the account command changes; the rest stays.
        if (QAction* account = m_Menu->Command(intake::Session().IsLoggedIn() ? kLogIn : kLogOut)) {
            const bool loggedIn = intake::Session().IsLoggedIn();
            account->setText(loggedIn ? QStringLiteral("注销") : QStringLiteral("登录"));
            account->setData(loggedIn ? kLogOut : kLogIn);
        }
    });
    QObject::connect(m_Menu.get(), &QMenu::triggered, m_Menu.get(), [this](QAction* action) {
        const int id = CMenuEx::CommandOf(action);
        if (id != kLogIn && id != kLogOut)
            return;
        const platform::WindowHandle main = intake::MainWindow();
        if (platform::IsWindow(main))
            platform::PostMessage(
                main, intake::WM_ACCOUNT_COMMAND, intake::kAccountLogin,
                id == kLogIn ? intake::kAccountLogInAgain : intake::kAccountLogOut);
    });
    m_Icon->setContextMenu(m_Menu.get());
}

void CTrayIcon::Refresh() {
    const CBatchCounters::Snapshot counts = m_Ui.Counters().Get();
    QString tip = QStringLiteral("Norvel网盘Flinga");
    if (counts.Open() > 0)
        tip += QStringLiteral("\n%1个文件正在上传").arg(counts.Open());
    else if (counts.fail > 0)
        tip += QStringLiteral("\n%1个文件上传失败").arg(counts.fail);
    m_Icon->setToolTip(tip);
}

}  // namespace ui
