#pragma once

// The user interface that intake talks to (intake/intake_ui.h), on Qt Widgets. It creates
// the main window, keeps the batch counters and the background threads, and installs
// itself the first time SetUpLoadTask runs inside a QApplication (the launcher's).
//
// The windows it opens: COuterLinkDlg and CAnonyDlg (share links), CSinaBlogsDlg (Weibo),
// CMiniWnd, CWndDlgTips, CLoginDlg and CTrayIcon.

#include <QPointer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "intake/intake_ui.h"
#include "ui/background_work.h"
#include "ui/batch_counters.h"
#include "ui/serial_work.h"
#include "ui/upload_dlg.h"

namespace ui {

class CDesktopNotices;
class CLoginDlg;
class CMiniWnd;
class CTrayIcon;
class CWndDlgTips;

// What tests and hosts may change; the defaults are the real ones.
struct CQtUiOptions {
    // The message box; default: a modal Qt message box with an OK button.
    std::function<void(std::u16string_view text, std::u16string_view caption)> showMessage;
    // Asks the host to close; default: the application's event loop quits (queued), which
    // the launcher treats like WM_CLOSE to its own window.
    std::function<void()> closeHost;
    // The updater; default: "Norvel_update2" beside the library.
    std::u16string updaterPath;
    // Told every change of the main window's opacity (after the mini and tips windows).
    std::function<void(int percent)> opacityChanged;
    int fadePeriodMs = 10;
    // The mini window: the steps of its files-added notice, how long the notice stays,
    // how long the exit question waits, and the longest press that is still a click.
    int noticeStepMs = 10;
    int noticeHoldMs = 6000;
    int confirmExitMs = 10000;
    int miniClickMs = 200;
    // The login dialog's pause before it shows a failure.
    int loginFailureWaitMs = 500;
    int userInfoPeriodMs = 30000;
    // Longest stretch of the progress drain before the event loop gets its turn.
    std::chrono::milliseconds drainSlice{8};
    // Told each task the progress drain has just shown, while its pass still runs.
    std::function<void(int32_t taskId)> taskShown;
    // Milliseconds for the row speeds; default: a steady clock.
    std::function<uint64_t()> tickMs;
    // The bus of the desktop notifications; empty: the user's session bus.
    QString notifyBusAddress;
};

class CQtIntakeUi final : public intake::CIntakeUi {
public:
    explicit CQtIntakeUi(CQtUiOptions options = {});
    // Shutdown(), if not done yet.
    ~CQtIntakeUi();
    CQtIntakeUi(const CQtIntakeUi&) = delete;
    CQtIntakeUi& operator=(const CQtIntakeUi&) = delete;

    platform::WindowHandle CreateMainWindow() override;
    void ShowMainWindow() override;
    void ShowMiniWindow() override;
    platform::WindowHandle MiniWindow() override;
    platform::WindowHandle TipsWindow() override;
    void ShowAdded(int count, std::u16string_view name) override;
    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    void CloseHost() override;
    platform::WindowHandle OpenShareLinkWindow(const intake::RequestBatch& batch,
                                               bool loggedIn) override;
    platform::WindowHandle OpenWeiboWindow(const intake::RequestBatch& batch) override;
    bool AskAnonymousLink() override;
    platform::WindowHandle OpenLoginDialog() override;
    void CountRestoredResult(bool succeeded) override;
    void RepaintWindows() override;
    // On a thread of its own: the windows stay responsive while thousands of files are
    // filtered and become tasks. Once the host was asked to close, `done` is dropped.
    void RunDiskWork(std::function<void()> work, std::function<void()> done) override;

    // The main window, or null when it does not exist (yet, or any more).
    CuploadDlg* MainDialog() const { return m_Main.data(); }
    CMiniWnd* MiniDialog() const;
    CWndDlgTips* TipsDialog() const;
    CLoginDlg* LoginDialog() const;
    CBatchCounters& Counters() { return m_Counters; }
    CBackgroundWork& Background() { return m_Background; }
    const CQtUiOptions& Options() const { return m_Options; }
    // The opacity of the main window changed: the mini and tips windows follow it.
    void FollowOpacity(int percent);
    // The tips popup goes with the main window when the panel is hidden.
    void HideTipsWindow();
    void ShowTipsWindow();
    // Files and folders dropped on a window: walked away from the user-interface thread,
    // then handed to intake as an upload batch.
    void DropPaths(std::vector<std::u16string> paths);
    // Returns once every disk work given so far has run (saving the task list).
    void WaitForDiskWork();
    // Closes the windows and waits for the background threads.
    void Shutdown();

private:
    CQtUiOptions m_Options;
    CBatchCounters m_Counters;
    CBackgroundWork m_Background;
    CSerialWork m_DiskWork;
    QPointer<CuploadDlg> m_Main;
    std::vector<QPointer<QWidget>> m_ShareWindows;  // closed ones are null
    QPointer<CMiniWnd> m_Mini;
    QPointer<CWndDlgTips> m_Tips;
    QPointer<CLoginDlg> m_Login;
    std::unique_ptr<CTrayIcon> m_Tray;
    std::unique_ptr<CDesktopNotices> m_Notices;
    bool m_RestoringList = false;  // the saved task list is being read back
    // Set once the host was asked to close: requests still on their way are dropped.
    std::shared_ptr<std::atomic<bool>> m_Closing = std::make_shared<std::atomic<bool>>(false);
};

// The installer that intake calls from SetUpLoadTask: installs the interface when a
// QApplication exists and this is its thread, else does nothing.
void InstallQtUi();
// Takes the installed interface down (library unload, user-interface thread): windows
// closed, background threads joined, the Qt loop and the shared pictures freed.
void UninstallQtUi();
CQtIntakeUi* InstalledQtUi();

}  // namespace ui
