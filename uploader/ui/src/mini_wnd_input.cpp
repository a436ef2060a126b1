// The mini window's input: click versus drag, the hint's and the confirmation's links,
// the right-button menu and its commands, the exit, and drops.

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>
#include <QWindow>

#include "intake/intake_state.h"
#include "intake/queue.h"
#include "mini_wnd_look.h"
#include "settings/registry_values.h"
#include "ui/about_dlg.h"
#include "ui/menu_ex.h"
#include "ui/mini_wnd.h"
#include "ui/qt_intake_ui.h"
#include "ui/settings_dlg.h"
#include "ui/ui_actions.h"

namespace ui {
namespace {

// Moving the pointer this far with the button down starts a drag.
constexpr int kDragDistance = 3;

void CloseIfOpen(platform::WindowHandle window) {
    if (window != platform::kNoWindow && platform::IsWindow(window))
        platform::SendMessage(window, platform::WM_CLOSE);
}

}  // namespace

void CMiniWnd::enterEvent(QEnterEvent*) {
    m_Hover = true;
    Fade(true);
    update();
}

void CMiniWnd::leaveEvent(QEvent*) {
    m_Hover = false;
    m_HintLinkHover = false;
    Fade(false);
    update();
}

void CMiniWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_Pressed = true;
    m_Dragging = false;
    m_PressTick = NowMs();
    m_PressAt = event->globalPosition().toPoint();
    m_PressOrigin = pos();
}

// The system moves the window once the pointer really moves with the button down; where
// the desktop cannot, the window follows the pointer itself.
void CMiniWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const bool overLink = HintCloseRect().contains(point);
    if (overLink != m_HintLinkHover) {
        m_HintLinkHover = overLink;
        update();
    }
    const bool link = overLink || ExitButtonRect().contains(point) ||
                      CancelButtonRect().contains(point) || CloseRect().contains(point);
    setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!m_Pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint moved = event->globalPosition().toPoint() - m_PressAt;
    if (!m_Dragging && moved.manhattanLength() < kDragDistance)
        return;
    if (!m_Dragging) {
        m_Dragging = true;
        if (windowHandle() && windowHandle()->startSystemMove()) {
            m_Pressed = false;  // the desktop has the pointer now
            return;
        }
    }
    move(m_PressOrigin + moved);
}

void CMiniWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_Pressed)
        return;
    m_Pressed = false;
    if (m_Dragging)
        return;  // the window was moved: no click
    const bool shortClick =
        NowMs() - m_PressTick <= static_cast<uint64_t>(m_Ui.Options().miniClickMs);
    ClickAt(event->position().toPoint(), shortClick);
}

// A release where the press was: on the links of the hint or the confirmation, on the
// close glyph, or elsewhere, when it came quickly, the main window's toggle (a long press
// is a drag that the desktop may not have shown).
void CMiniWnd::ClickAt(QPoint point, bool shortClick) {
    if (m_ConfirmExit && ExitButtonRect().contains(point)) {
        Quit();
    } else if (m_ConfirmExit && CancelButtonRect().contains(point)) {
        ShowConfirm(false);
    } else if (HintCloseRect().contains(point)) {
        DismissHint();
    } else if (CloseRect().contains(point)) {
        RequestExit(false);
    } else if (shortClick && !(m_ConfirmExit && ConfirmRect().contains(point))) {
        ToggleMain();
    }
}

void CMiniWnd::ToggleMain() {
    CuploadDlg* main = m_Ui.MainDialog();
    if (!main)
        return;
    if (main->isVisible()) {
        main->hide();
        m_Ui.HideTipsWindow();
    } else {
        main->ShowPanel();
        m_Ui.ShowTipsWindow();
    }
}

void CMiniWnd::DismissHint() {
    const int hint = ShownHint();
    uint32_t bits = settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7);  // the popup's bit too
    bits &= ~static_cast<uint32_t>(hint == 0   ? kHintDragBit
                                   : hint == 1 ? kHintClickBit
                                               : kHintDragBit | kHintClickBit);
    settings::WriteDword(settings::kFlingaKey, settings::kMiniTips, bits);
    m_MiniTips = bits;
    m_HintLinkHover = false;
    UpdateMask();
    update();
}

void CMiniWnd::contextMenuEvent(QContextMenuEvent* event) {
    CMenuEx* menu = BuildMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

CMenuEx* CMiniWnd::BuildMenu(QWidget* parent) {
    auto* menu = new CMenuEx(parent);
    menu->AddCommand(kShowMain, QStringLiteral("显示主界面"));
    menu->AddSeparator();
    menu->AddCommand(kStartAll, QStringLiteral("开始全部任务"));
    menu->AddCommand(kPauseAll, QStringLiteral("暂停全部任务"));
    menu->AddSeparator();
    menu->AddCommand(kUpgradeVip, QStringLiteral("升级VIP"));
    menu->AddCommand(kAbout, QStringLiteral("关于"));
    menu->AddCommand(kSettings, QStringLiteral("设置"));
    menu->AddSeparator();
    menu->AddCommand(kExit, QStringLiteral("退出"));
    QObject::connect(menu, &QMenu::triggered, this, [this](QAction* action) {
        // After the menu has closed: the about box and the exit open windows of their own.
        const int id = CMenuEx::CommandOf(action);
        QMetaObject::invokeMethod(
            this, [this, id] { RunCommand(id); }, Qt::QueuedConnection);
    });
    return menu;
}

void CMiniWnd::RunCommand(int id) {
    switch (id) {
        case kShowMain:
            if (CuploadDlg* main = m_Ui.MainDialog()) {
                main->ShowPanel();
                main->activateWindow();
                m_Ui.ShowTipsWindow();
            }
            break;
        case kStartAll:
            intake::ResumeAll();
            m_Ui.RepaintWindows();
            break;
        case kPauseAll:
            intake::PauseAll();
            m_Ui.RepaintWindows();
            break;
        case kUpgradeVip:
            m_Ui.Background().Run([] { OpenShopPage(ShopPage::VipUpgrade); });
            break;
        case kAbout:
            CAboutDlg::ShowAbout();
            break;
        case kSettings:
            OpenSettings();
            break;
        case kExit:
            RequestExit(true);
            break;
        default:
            break;
    }
}

void CMiniWnd::OpenSettings() {
    CSettingsDlgOptions options;
    QPointer<CMiniWnd> alive(this);
    options.tipsReset = [alive] {
        if (alive)
            alive->ReloadTips();
    };
    CSettingsDlg::Open(std::move(options));
}

void CMiniWnd::RequestExit(bool fromMenu) {
    const CBatchCounters::Snapshot counts = m_Ui.Counters().Get();
    if (counts.Open() > 0 || counts.fail > 0) {
        m_ConfirmFromMenu = fromMenu;
        ShowConfirm(true);
    } else if (fromMenu) {
        CloseEverything();
    } else {
        Quit();
    }
}

void CMiniWnd::ShowConfirm(bool shown) {
    m_ConfirmExit = shown;
    if (shown)
        m_Timers.Start(kConfirmTimer, m_Ui.Options().confirmExitMs);
    else
        m_Timers.Kill(kConfirmTimer);
    UpdateMask();
    update();
}

// Quitting: the rows closed, the counters back to zero, every task stopped, the about
// box closed, and the host asked to close (which takes the library's windows with it).
void CMiniWnd::Quit() {
    ShowConfirm(false);
    if (CuploadDlg* main = m_Ui.MainDialog())
        main->TaskContainer().RemoveAllRows();
    m_Ui.Counters().Reset();
    intake::StopAllTasks();
    if (CAboutDlg* about = CAboutDlg::Instance())
        about->reject();
    CloseEverything();
}

void CMiniWnd::CloseEverything() {
    const platform::WindowHandle main = intake::MainWindow();
    CloseIfOpen(main);
    for (const platform::WindowHandle window : intake::SecondaryWindows())
        CloseIfOpen(window);
    m_Ui.CloseHost();
    CloseIfOpen(Handle());
}

void CMiniWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMiniWnd::dropEvent(QDropEvent* event) {
    std::vector<std::u16string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.emplace_back(reinterpret_cast<const char16_t*>(path.utf16()),
                               static_cast<size_t>(path.size()));
    }
    if (paths.empty())
        return;
    event->acceptProposedAction();
    m_Ui.DropPaths(std::move(paths));
}

}  // namespace ui
