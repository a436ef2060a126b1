#include "ui/qt_intake_ui.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <memory>
#include <utility>

#include "intake/dropped_files.h"
#include "intake/intake_state.h"
#include "platform/system.h"
#include "platform/text.h"
#include "settings/session_state.h"
#include "ui/anony_dlg.h"
#include "ui/dlg_message.h"
#include "ui/outer_link_dlg.h"
#include "ui/qt_message_loop.h"
#include "ui/sina_blogs_dlg.h"
#include "ui/ui_actions.h"
#include "ui/ui_images.h"

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
    const std::string library = platform::ModulePath(reinterpret_cast<const void*>(&DefaultUpdaterPath));
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

CQtIntakeUi::CQtIntakeUi(CQtUiOptions options) : m_Options(WithDefaults(std::move(options))) {}

CQtIntakeUi::~CQtIntakeUi() { Shutdown(); }

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

void CQtIntakeUi::WaitForDiskWork() { m_DiskWork.WaitIdle(); }

void CQtIntakeUi::Shutdown() {
    *m_Closing = true;
    m_DiskWork.WaitIdle();
    m_Background.JoinAll();
    // Also a window that waits for its deferred deletion. Widgets cannot outlive the
    // application object; a host that destroyed it first took them with it.
    if (QCoreApplication::instance()) {
        // A share-link or Weibo window waits for its batch's thread as it goes.
        for (const QPointer<QWidget>& window : std::exchange(m_ShareWindows, {}))
            delete window.data();
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
    m_Main->RestoreSavedList();
    m_Main->StartUserInfoQuery();
    return m_Main->Handle();
}

void CQtIntakeUi::ShowMainWindow() {
    if (m_Main)
        m_Main->ShowPanel();
}

// The mini drop window and the tips popup come later.
void CQtIntakeUi::ShowMiniWindow() {}
platform::WindowHandle CQtIntakeUi::MiniWindow() { return platform::kNoWindow; }
platform::WindowHandle CQtIntakeUi::TipsWindow() { return platform::kNoWindow; }
void CQtIntakeUi::HideTipsWindow() {}
void CQtIntakeUi::FollowOpacity(int percent) {
    if (m_Options.opacityChanged)
        m_Options.opacityChanged(percent);
}

void CQtIntakeUi::ShowAdded(int count, std::u16string_view) {
    // The mini window's notice comes later; the batch counters are here.
    m_Counters.AddTotal(count);
}

void CQtIntakeUi::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    m_Options.showMessage(text, caption);
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

// The login window comes later.

bool CQtIntakeUi::AskAnonymousLink() {
    return CAnonyDlg::Ask() == CAnonyDlg::kLogIn;
}

platform::WindowHandle CQtIntakeUi::OpenLoginDialog() {
    settings::g_LoginShown = 0;  // no dialog is up, so a later request may open one
    return platform::kNoWindow;
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
    ReleaseUiActions();
}

CQtIntakeUi* InstalledQtUi() { return InstalledSlot(); }

}  // namespace ui
