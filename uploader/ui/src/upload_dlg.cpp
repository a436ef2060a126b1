// The main window: creation, placement, its window messages and closing.

#include "ui/upload_dlg.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <chrono>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/request_batch.h"
#include "intake/task_list.h"
#include "settings/registry_values.h"
#include "ui/qt_intake_ui.h"
#include "ui/ui_actions.h"
#include "ui/ui_fonts.h"
#include "ui/ui_images.h"
#include "upload_dlg_look.h"

namespace ui {
namespace {

using platform::LResult;

constexpr int kCornerEllipse = 5;
constexpr int kMarginRight = 20;  // from the work area's right edge
const QPoint kContainerAt(8, 37);

// Clips the panel to a rounded rectangle from (0, 0) to (width + 1, height + 1).
QRegion RoundedRegion(QSize size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width() + 1, size.height() + 1), kCornerEllipse / 2.0,
                        kCornerEllipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

CuploadDlg::CuploadDlg(CQtIntakeUi& ui)
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::Tool | Qt::NoDropShadowWindowHint),
      m_Ui(ui),
      m_UserInfoReady(std::make_shared<platform::Event>(platform::Event::ResetMode::Auto)),
      m_Timers([this](int id) { OnTimer(id); }),
      m_Window(
          *this,
          [this](uint32_t message, platform::WParam w, platform::LParam l) {
              return WindowProc(message, w, l);
          },
          std::u16string(kMainTitle)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setAcceptDrops(true);
    const QPixmap& background = UiImages().mainBackground;
    setFixedSize(WidthOf(background, skin::kMainBackground),
                 HeightOf(background, skin::kMainBackground));
    if (!UiImages().appIcon.isNull())
        setWindowIcon(QIcon(UiImages().appIcon));
    m_Window.SetProperty(kUploaderProperty, 1);
    setMask(RoundedRegion(size()));
    SetOpacity(kOpacityLow);
    m_MiniTips = static_cast<int>(settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7));
    m_AutoLoginWeb = static_cast<int>(
        settings::ReadDword(settings::kFlingaKey, settings::kAutoLoginWeb).value_or(0));
    m_LinkRect = MeasureLink();
    const QPixmap& close = UiImages().mainClose;
    m_CloseRect =
        QRect(kCloseAt, QSize(WidthOf(close, skin::kMainClose), HeightOf(close, skin::kMainClose)));

    CTaskWinContainer::CHooks hooks;
    hooks.pointerActivity = [this] {
        FadeIn();
        UpdateLinkHover(false);  // the pointer went from the link straight into the list
    };
    hooks.tickMs = [this] { return NowMs(); };
    hooks.visitFolder = [this](std::u16string folder) {
        const std::u16string path =
            std::u16string(kReceivedFolder) + (folder.empty() ? u"" : u"/" + folder);
        m_Ui.Background().Run([path] { RunVisitUrl(path); });
    };
    hooks.openShopPage = [this](int32_t state) {
        const ShopPage page =
            state == intake::kTaskTooLarge ? ShopPage::VipUpgrade : ShopPage::SpaceExtension;
        m_Ui.Background().Run([page] { OpenShopPage(page); });
    };
    m_TaskContainer = new CTaskWinContainer(this, m_Ui.Counters(), std::move(hooks));
    m_TaskContainer->setGeometry(QRect(kContainerAt, QSize(width() - 15, height() - 40)));

    if (QScreen* screen = QGuiApplication::primaryScreen())
        QObject::connect(screen, &QScreen::availableGeometryChanged, this, [this] { Place(); });
    Place();
}

CuploadDlg::~CuploadDlg() {
    m_Window.Close();
}

uint64_t CuploadDlg::NowMs() const {
    if (m_Ui.Options().tickMs)
        return m_Ui.Options().tickMs();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void CuploadDlg::Place() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    move(right - width() - kMarginRight, bottom - height());
    m_Placed = true;
}

void CuploadDlg::ShowPanel() {
    if (m_Closed)
        return;
    if (!m_Placed)
        Place();
    show();
    raise();
}

void CuploadDlg::RestoreSavedList() {
    intake::RestoreSavedTasks();
    DrainProgress();  // the restored rows are there when the window first shows
}

void CuploadDlg::StartUserInfoQuery() {
    m_Ui.Background().Run([ready = m_UserInfoReady] {
        RunUserInfoQuery();
        ready->Set();
    });
}

void CuploadDlg::StartUserInfoTimer() {
    m_Timers.Start(kUserInfoTimer, m_Ui.Options().userInfoPeriodMs);
}

bool CuploadDlg::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    return QWidget::event(event);
}

LResult CuploadDlg::WindowProc(uint32_t message, platform::WParam wParam, platform::LParam lParam) {
    using namespace intake;
    switch (message) {
        case platform::WM_CLOSE:
            OnClose();
            return 0;
        case WM_TASK_CHANGED:
            DrainProgress();
            return 0;
        case WM_REQUEST_BATCH:
            return OnRequestBatch(reinterpret_cast<const RequestBatch*>(lParam));
        case WM_SAVE_AND_EXIT:
            m_Ui.WaitForDiskWork();  // files just requested are saved too
            SaveTasksForExit();
            ExitSequence();
            return 0;
        case WM_ACCOUNT_COMMAND:
            return OnAccountCommand(wParam, lParam);
        case WM_USERINFO_DONE:
            return OnUserInfoDone(wParam, lParam);
        case WM_LOGIN_DONE:
            HandBackWaitingBatches();
            return 0;
        case WM_START_UPDATER:
            return OnStartUpdater();
        case WM_QUERY_PENDING:
            return intake::Session().PendingCount() > 0 ? 1 : 0;
        case kWmCommand:
            if (wParam == kIdCancel)
                ExitSequence();
            else if (wParam == kShowMainCommand)
                ShowPanel();
            return 0;
        default:
            return 0;
    }
}

void CuploadDlg::closeEvent(QCloseEvent* event) {
    // Closed by the desktop (the window manager's close): as WM_CLOSE.
    event->ignore();
    OnClose();
}

void CuploadDlg::OnClose() {
    m_Ui.CloseHost();
    CloseWindow();
}

// The window's end: no more messages, its rows closed, and the widget deleted once the
// event loop is back (a handler of its own may be running now).
void CuploadDlg::CloseWindow() {
    if (m_Closed)
        return;
    m_Closed = true;
    m_Window.Close();
    m_Timers.Kill(kFadeInTimer);
    m_Timers.Kill(kFadeOutTimer);
    m_Timers.Kill(kUserInfoTimer);
    hide();
    m_TaskContainer->RemoveAllRows();
    deleteLater();
}

}  // namespace ui
