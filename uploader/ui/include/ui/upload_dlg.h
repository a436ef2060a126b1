#pragma once

// The main upload window: a borderless, translucent 264 x 352 panel at the lower right of
// the primary screen's work area. It shows the task list, the title, a link to the
// received-files folder of the web disk and a close glyph; it drains the queue of changed
// tasks into the rows and counts their results; it takes dropped files and folders; and
// it answers the system's window messages.
//
// Opacity follows the pointer: over the panel it rises by 2 percent every 10 ms to 100
// (timer 1000), away from it it falls by 1 percent to 80 (timer 1001).

#include <QWidget>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "intake/task_map.h"
#include "platform/event.h"
#include "ui/numbered_timers.h"
#include "ui/task_container.h"
#include "ui/window_registration.h"

namespace ui {

class CQtIntakeUi;

class CuploadDlg final : public QWidget {
public:
    static constexpr int kFadeInTimer = 1000;
    static constexpr int kFadeOutTimer = 1001;
    static constexpr int kUserInfoTimer = 2000;
    static constexpr int kOpacityLow = 80;
    static constexpr int kOpacityHigh = 100;
    // WM_COMMAND and its two commands here: cancel (the exit sequence) and "show the main
    // window" of the mini window's menu.
    static constexpr uint32_t kWmCommand = 0x0111;
    static constexpr platform::WParam kIdCancel = 2;
    static constexpr platform::WParam kShowMainCommand = 32776;

    explicit CuploadDlg(CQtIntakeUi& ui);
    ~CuploadDlg() override;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }
    CTaskWinContainer& TaskContainer() { return *m_TaskContainer; }
    int Opacity() const { return m_Opacity; }
    QRectF LinkRect() const { return m_LinkRect; }
    QRect CloseRect() const { return m_CloseRect; }
    bool IsTimerActive(int id) const { return m_Timers.IsActive(id); }
    int AutoLoginWeb() const { return m_AutoLoginWeb; }
    // Signalled when the first user-information query has finished.
    platform::Event& UserInfoReady() { return *m_UserInfoReady; }

    // Moves the panel to the lower right corner of the primary screen's work area.
    void Place();
    // Shows the panel (placed the first time) and brings it to the front.
    void ShowPanel();
    // Loads the saved task list, if there is one, and shows its rows at once. Called once
    // intake knows the window's handle.
    void RestoreSavedList();
    // Starts the first user-information query.
    void StartUserInfoQuery();
    // Every row reads its task again (after pause or resume).
    void RefreshAllRows();
    // Takes changed tasks from the queue until it is empty or the time slice is used;
    // then lets the event loop run and goes on.
    void DrainProgress();
    // The pointer entered or left the panel (also from the task list).
    void FadeIn();
    void FadeOut();
    // The mini window's fading sets the panel's opacity too.
    void FollowMini(int percent) { SetOpacity(percent); }
    // The periodic user-information query (after a login).
    void StartUserInfoTimer();

    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnTimer(int id);
    void SetOpacity(int percent);
    // The ids waiting for the drain, each once: rows to read again first, then the queue's
    // changed tasks until it is empty.
    std::vector<int32_t> TakeChangedTasks();
    void ShowTaskChange(int32_t id);
    CTaskUpdate MakeUpdate(const intake::TaskView& task) const;
    void CountResult(int32_t before, const CTaskUpdate& update, bool newRow);
    void OnClose();
    void ExitSequence();
    void CloseWindow();
    platform::LResult OnStartUpdater();
    platform::LResult OnUserInfoDone(platform::WParam wParam, platform::LParam lParam);
    platform::LResult OnAccountCommand(platform::WParam wParam, platform::LParam lParam);
    void LogOut();
    void LogInAgain();
    void UpdateLinkHover(bool hover);
    uint64_t NowMs() const;

    CQtIntakeUi& m_Ui;
    int m_Opacity = kOpacityLow;
    CTaskWinContainer* m_TaskContainer = nullptr;  // a child: deleted with the window
    QRectF m_LinkRect;                             // the "我收到的文件" link as measured
    QRect m_CloseRect;  // the close glyph: at (240, 10), its picture's size
    bool m_MouseInside = false;
    bool m_LinkHover = false;
    bool m_Placed = false;
    bool m_Closed = false;
    bool m_UpdaterStarted = false;
    int m_MiniTips = 7;      // "MINITIPS": hints not yet dismissed
    int m_AutoLoginWeb = 0;  // "AUTO_LOGINWEB"
    std::shared_ptr<platform::Event> m_UserInfoReady;
    std::deque<int32_t> m_Refresh;  // rows to read again before the queue's ids
    CNumberedTimers m_Timers;
    CWindowRegistration m_Window;  // last: messages may come once it exists
};

}  // namespace ui
