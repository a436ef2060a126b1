#pragma once

// The mini drop window: a small always-on-top window that stays on the desktop while the
// library runs. Files and folders dropped on it are uploaded; a short click shows or
// hides the main window (a longer press is a drag and moves it); the right button opens
// the global commands. It shows how many tasks of the batch are still open, for a few
// seconds which files were just added, and a one-time hint.
//
// Timers: 1000 and 1001 fade in and out (and drive the main window's opacity), 1003 and
// 1004 raise, hold and lower the files-added notice, 1005 ends the exit confirmation.

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "ui/numbered_timers.h"
#include "ui/window_registration.h"

namespace ui {

class CMenuEx;
class CQtIntakeUi;

class CMiniWnd final : public QWidget {
public:
    static constexpr int kFadeInTimer = 1000;
    static constexpr int kFadeOutTimer = 1001;
    static constexpr int kNoticeRiseTimer = 1003;
    static constexpr int kNoticeFallTimer = 1004;
    static constexpr int kConfirmTimer = 1005;
    static constexpr int kWidth = 500;
    static constexpr int kClickMs = 200;

    // Menu commands.
    static constexpr int kShowMain = 32776;
    static constexpr int kStartAll = 32777;
    static constexpr int kPauseAll = 32779;
    static constexpr int kUpgradeVip = 32774;
    static constexpr int kAbout = 32772;
    static constexpr int kSettings = 32780;
    static constexpr int kExit = 32781;

    // "MINITIPS" bits: the two hints of this window and the tips popup's.
    static constexpr int kHintDragBit = 1;
    static constexpr int kTipsBit = 2;
    static constexpr int kHintClickBit = 4;

    explicit CMiniWnd(CQtIntakeUi& ui);
    ~CMiniWnd() override;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }

    // Files were queued: count of them, the first one's path or name.
    void ShowAdded(int count, const QString& path);
    // 80..100, the main window's opacity.
    void SetOpacity(int percent);
    int Opacity() const { return m_Opacity; }
    // The menu of the right button (also the tray icon's); the caller owns it.
    CMenuEx* BuildMenu(QWidget* parent);
    void RunCommand(int id);
    // The settings page; resetting its hints shows them here again.
    void OpenSettings();
    // The close glyph or the menu's exit: asks first while tasks are open or failed.
    void RequestExit(bool fromMenu);
    // Shows or hides the main window (a short click).
    void ToggleMain();

    // What is drawn, for the look and for tests.
    QString NoticeText() const;
    int NoticeAlpha() const { return m_NoticeAlpha; }
    bool CounterShown() const { return m_ShowCount; }
    QString CounterText() const;
    QColor CounterColour() const;
    QFont CounterFont() const;
    bool ConfirmShown() const { return m_ConfirmExit; }
    // The hint now shown: -1 none, 0 the drag hint, 1 the click hint.
    int ShownHint() const;
    // Reads "MINITIPS" again (it is read at creation and whenever the window is shown).
    void ReloadTips();
    QRect PictureRect() const;
    QRect CloseRect() const;
    // The hint's "我知道了" and the confirmation's two buttons, as measured.
    QRect HintCloseRect() const;
    QRect ExitButtonRect() const;
    QRect CancelButtonRect() const;
    bool IsTimerActive(int id) const { return m_Timers.IsActive(id); }

    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnTimer(int id);
    void Place();
    void Fade(bool in);
    void StepNotice(int id);
    void ShowConfirm(bool shown);
    void DismissHint();
    void Quit();
    void CloseEverything();
    void ClickAt(QPoint point, bool shortClick);
    void UpdateMask();
    uint64_t NowMs() const;
    void PaintHint(QPainter& p);
    void PaintNotice(QPainter& p);
    void PaintCounter(QPainter& p);
    void PaintConfirm(QPainter& p);
    QRect NoticeRect() const;
    QRect HintRect() const;
    QRect ConfirmRect() const;

    CQtIntakeUi& m_Ui;
    QPixmap m_Main, m_Close, m_Confirm, m_Mark, m_Hint;
    int m_Opacity = 80;
    int m_AddedCount = 0;
    QString m_AddedName;
    int m_NoticeAlpha = 0;
    bool m_NoticeHolding = false;  // timer 1004 waits before lowering the notice
    bool m_ShowCount = false;
    bool m_ConfirmExit = false;
    bool m_ConfirmFromMenu = false;
    bool m_Hover = false;
    bool m_HintLinkHover = false;
    bool m_Pressed = false;
    bool m_Dragging = false;
    QPoint m_PressAt;      // global position of the press
    QPoint m_PressOrigin;  // the window's position then
    uint64_t m_PressTick = 0;
    int m_TipKind = 0;        // picked at creation: which hint shows while both are wanted
    uint32_t m_MiniTips = 7;  // "MINITIPS": the hints not yet dismissed
    CNumberedTimers m_Timers;
    CWindowRegistration m_Window;  // last: messages may come once it exists
};

}  // namespace ui
