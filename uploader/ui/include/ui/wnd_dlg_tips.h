#pragma once

// The tips popup above the main window: a one-time hint that points at the main window's
// received-files link ("上传的文件保存在这里"), dismissed for good with "我知道了" (bit 1 of
// "MINITIPS"). It is shown and hidden with the main window and follows its opacity;
// after dismissal it draws nothing and lets the pointer through.

#include <QPixmap>
#include <QWidget>

#include "ui/window_registration.h"

namespace ui {

class CWndDlgTips final : public QWidget {
public:
    CWndDlgTips();
    ~CWndDlgTips() override;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }
    // Shown beside the main window's top left corner, if it was not dismissed.
    void ShowBeside(const QWidget& main);
    void SetOpacity(int percent);
    bool Wanted() const;
    QRect DismissRect() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    platform::LResult WindowProc(uint32_t message);

    QPixmap m_Background;
    bool m_LinkHover = false;
    CWindowRegistration m_Window;  // last: messages may come once it exists
};

}  // namespace ui
