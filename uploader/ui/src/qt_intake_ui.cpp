#include "ui/qt_intake_ui.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <memory>
#include <utility>

#include "intake/dropped_files.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "platform/system.h"
#include "platform/text.h"
#include "ui/anony_dlg.h"
#include "ui/desktop_notices.h"
#include "ui/dlg_message.h"
#include "ui/login_dlg.h"
#include "ui/mini_wnd.h"
#include "ui/outer_link_dlg.h"
#include "ui/qt_message_loop.h"
#include "ui/settings_dlg.h"
#include "ui/sina_blogs_dlg.h"
#include "ui/tray_icon.h"
#include "ui/ui_actions.h"
#include "ui/ui_images.h"
#include "ui/wnd_dlg_tips.h"

namespace ui {
namespace {

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void ShowQtMessage(std::u16string_view text, std::u16string_view caption) {
    ShowMessageDialog(Q(text), Q(caption));
}

void QuitHostLoop() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

// The updater lives beside the library.
std::u16string DefaultUpdaterPath() {
    const std::string library =
        platform::ModulePath(reinterpret_cast<const void*>(&DefaultUpdaterPath));
    const size_t slash = library.rfind('/');
    if (slash == std::string::npos)
        return {};
    return platform::Utf8ToWide(library.substr(0, slash + 1) + "Norvel_update2");
}

CQtUiOptions WithDefaults(CQtUiOptions options) {
    if (!options.showMessage)
        options.showMessage = &ShowQtMessage;
    if (!options.closeHost)
        options.closeHost = &QuitHostLoop;
    if (options.updaterPath.empty())
        options.updaterPath = DefaultUpdaterPath();
    return options;
}

// Not destroyed with the static objects (its windows cannot outlive the application
// object); freed by UninstallQtUi.
CQtIntakeUi*& InstalledSlot() {
    static CQtIntakeUi* installed = nullptr;
    return installed;
}

}  // namespace

CQtIntakeUi::CQtIntakeUi(CQtUiOptions options)
    : m_Options(WithDefaults(std::move(options))),
      m_Notices(std::make_unique<CDesktopNotices>(m_Options.notifyBusAddress,
                                                  [this] { ShowMainWindow(); })) {}

CQtIntakeUi::~CQtIntakeUi() {
    Shutdown();
}

void CQtIntakeUi::RunDiskWork(std::function<void()> work, std::function<void()> done) {
    CQtMessageLoop* loop = &QtLoop();
    m_DiskWork.Run([work = std::move(work), done = std::move(done), loop, closing = m_Closing] {
        work();
        if (done)
            loop->Post([done, closing] {
                if (!*closing)
                    done();
            });
    });
}

void CQtIntakeUi::WaitForDiskWork() {
    m_DiskWork.WaitIdle();
}

void CQtIntakeUi::Shutdown() {
    *m_Closing = true;
    m_DiskWork.WaitIdle();
    m_Background.JoinAll();
    // Also a window that waits for its deferred deletion. Widgets cannot outlive the
    // application object; a host that destroyed it first took them with it.
    if (QCoreApplication::instance()) {
        m_Tray.reset();
        m_Notices.reset();
        // A share-link or Weibo window waits for its batch's thread as it goes.
        for (const QPointer<QWidget>& window : std::exchange(m_ShareWindows, {}))
            delete window.data();
        delete m_Login.data();
        delete CSettingsDlg::Instance();
        delete m_Tips.data();
        delete m_Mini.data();
        delete m_Main.data();
    }
}

platform::WindowHandle CQtIntakeUi::CreateMainWindow() {
    if (m_Main)
        return m_Main->Handle();
    if (*m_Closing)
        return platform::kNoWindow;  // the library is on its way out
    m_Main = new CuploadDlg(*this);
    // The restored tasks report to the main window, so intake must know it first.
    intake::SetMainWindow(m_Main->Handle());
    // The mini window and the tips popup are made with it, hidden.
    m_Mini = new CMiniWnd(*this);
    m_Tips = new CWndDlgTips;
    m_Counters.SetOnChange([this, closing = m_Closing] {
        QtLoop().Post([this, closing] {
            if (*closing)
                return;  // this interface is gone or going
            if (m_Mini)
                m_Mini->update();
            if (m_Tray)
                m_Tray->Refresh();
        });
    });
    m_RestoringList = true;
    m_Main->RestoreSavedList();
    m_RestoringList = false;
    m_Main->StartUserInfoQuery();
    return m_Main->Handle();
}

void CQtIntakeUi::ShowMainWindow() {
    if (!m_Main)
        return;
    m_Main->ShowPanel();
    ShowTipsWindow();
}

void CQtIntakeUi::ShowMiniWindow() {
    if (!m_Mini || *m_Closing)
        return;
    m_Mini->show();
    m_Mini->raise();
    if (!m_Tray)
        m_Tray = CTrayIcon::CreateIfAvailable(*this);
}

CMiniWnd* CQtIntakeUi::MiniDialog() const {
    return m_Mini.data();
}
CWndDlgTips* CQtIntakeUi::TipsDialog() const {
    return m_Tips.data();
}
CLoginDlg* CQtIntakeUi::LoginDialog() const {
    return m_Login.data();
}

platform::WindowHandle CQtIntakeUi::MiniWindow() {
    return m_Mini ? m_Mini->Handle() : platform::kNoWindow;
}
platform::WindowHandle CQtIntakeUi::TipsWindow() {
    return m_Tips ? m_Tips->Handle() : platform::kNoWindow;
}

void CQtIntakeUi::HideTipsWindow() {
    if (m_Tips)
        m_Tips->hide();
}

void CQtIntakeUi::ShowTipsWindow() {
    if (m_Tips && m_Main && m_Main->isVisible())
        m_Tips->ShowBeside(*m_Main);
}

void CQtIntakeUi::FollowOpacity(int percent) {
    if (m_Mini)
        m_Mini->SetOpacity(percent);
    if (m_Tips)
        m_Tips->SetOpacity(percent);
    if (m_Options.opacityChanged)
        m_Options.opacityChanged(percent);
}

void CQtIntakeUi::ShowAdded(int count, std::u16string_view name) {
    m_Counters.AddTotal(count);
    if (count > 0 && !m_RestoringList && m_Notices)
        m_Notices->Arm();
    if (m_Mini)
        m_Mini->ShowAdded(count,
                          QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
}

void CQtIntakeUi::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    m_Options.showMessage(text, caption);
    if (m_Notices)  // none once the interface was taken down
        m_Notices->Refused(caption, text);
}

void CQtIntakeUi::CloseHost() {
    *m_Closing = true;
    m_Options.closeHost();
}

// The window counts itself as pending and as a user of the library while it is open.
platform::WindowHandle CQtIntakeUi::OpenShareLinkWindow(const intake::RequestBatch& batch,
                                                        bool loggedIn) {
    if (*m_Closing)
        return platform::kNoWindow;
    auto* window = new COuterLinkDlg(batch, loggedIn);
    std::erase_if(m_ShareWindows, [](const QPointer<QWidget>& open) { return open.isNull(); });
    m_ShareWindows.emplace_back(window);
    window->show();
    return window->Handle();
}

// Like the share-link window, it counts itself (and marks a Weibo window as open).
platform::WindowHandle CQtIntakeUi::OpenWeiboWindow(const intake::RequestBatch& batch) {
    if (*m_Closing)
        return platform::kNoWindow;
    auto* window = new CSinaBlogsDlg(batch);
    std::erase_if(m_ShareWindows, [](const QPointer<QWidget>& open) { return open.isNull(); });
    m_ShareWindows.emplace_back(window);
    window->show();
    return window->Handle();
}

bool CQtIntakeUi::AskAnonymousLink() {
    return CAnonyDlg::Ask() == CAnonyDlg::kLogIn;
}

// One login dialog at a time: asking again brings the open one to the front.
platform::WindowHandle CQtIntakeUi::OpenLoginDialog() {
    if (*m_Closing) {
        intake::Session().ReleaseLoginDialog();  // no dialog is up, so a later request may open one
        return platform::kNoWindow;
    }
    if (!m_Login)
        m_Login = new CLoginDlg(*this);
    m_Login->show();
    m_Login->raise();
    m_Login->activateWindow();
    return m_Login->Handle();
}

// Restored results are counted by their rows as they appear (see CuploadDlg::CountResult),
// like the result of any task, so that none is counted twice.
void CQtIntakeUi::CountRestoredResult(bool) {}

void CQtIntakeUi::RepaintWindows() {
    CQtMessageLoop& loop = QtLoop();
    if (!loop.IsLoopThread()) {
        loop.Post([] { intake::IntakeUi().RepaintWindows(); });
        return;
    }
    if (m_Main)
        m_Main->RefreshAllRows();
}

void CQtIntakeUi::DropPaths(std::vector<std::u16string> paths) {
    auto batch = std::make_shared<intake::RequestBatch>();
    RunDiskWork([batch, paths = std::move(paths)] { *batch = intake::DroppedPathsToBatch(paths); },
                [batch] { intake::HandleDroppedBatch(*batch); });
}

void InstallQtUi() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app) || QThread::currentThread() != app->thread())
        return;
    QtLoop();  // made now, on the thread it belongs to, before a worker can ask for it
    CQtIntakeUi*& installed = InstalledSlot();
    if (!installed)
        installed = new CQtIntakeUi;
    intake::SetIntakeUi(installed);
}

void UninstallQtUi() {
    intake::SetIntakeUi(nullptr);
    delete std::exchange(InstalledSlot(), nullptr);
    ReleaseQtLoop();
    FreeUiImages();
}

CQtIntakeUi* InstalledQtUi() {
    return InstalledSlot();
}

}  // namespace ui
