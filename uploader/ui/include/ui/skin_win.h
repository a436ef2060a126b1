#pragma once

// The picture frame of a frameless window: caption band, edges, caption buttons and the
// caption text, drawn from a theme, with the window's moves, resizes and caption buttons
// handled by the frame. It attaches to any top-level widget as a hook of its events; the
// widget's contents margins become the frame, so its layout fills the client area.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <memory>

#include "ui/skin_theme.h"
#include "ui/subclass_wnd.h"

class QMouseEvent;
class QPainter;

namespace ui {

class CSkinWin : public CSubclassWnd {
public:
    // What a point of the window is (window coordinates).
    enum HitArea {
        HTCLIENT,
        HTCAPTION,
        HTSYSMENU,
        HTMINBUTTON,
        HTMAXBUTTON,
        HTCLOSE,
        HTOTHERBUTTON,
        HTLEFT,
        HTRIGHT,
        HTTOP,
        HTTOPLEFT,
        HTTOPRIGHT,
        HTBOTTOM,
        HTBOTTOMLEFT,
        HTBOTTOMRIGHT,
    };
    enum ButtonState { Normal = 0, Hover = 1, Pressed = 2 };

    // Loads the theme file; false when nothing of the frame could be read.
    bool LoadSkin(const QString& themePath, const SkinLogSink& log = {});
    void SetTheme(std::shared_ptr<const CSkinTheme> theme) { m_Theme = std::move(theme); }
    const CSkinTheme* Theme() const { return m_Theme.get(); }

    // Attaches to the window (made frameless) and lays out the frame.
    bool InstallSkin(QWidget* window);
    // Detaches; the window keeps its flags but loses the frame margins and clip.
    void UninstallSkin();

    HitArea HitTest(QPoint windowPos) const;
    QMargins FrameMargins() const;
    QRect CaptionButtonRect(int index) const;
    ButtonState CaptionButtonState(int index) const;
    bool IsActive() const { return m_Active; }
    // The window's clip: the frame pictures' opaque part when "UsesTran" is 1, else the
    // whole window (an empty region means no clip).
    QRegion WindowRegion() const;

    // Draws the frame, the client background and the caption (window coordinates).
    void PaintFrame(QPainter& p) const;

protected:
    bool WindowProc(QEvent* event) override;

private:
    void Recalculate();
    bool OnMouse(QMouseEvent* event);
    void OnPress(HitArea hit, QMouseEvent* event);
    void OnRelease(HitArea hit);
    void SetHover(int index);
    void ShowCursorFor(HitArea hit);
    void RunAction(int action);
    int ButtonAt(QPoint pos) const;
    bool Resizable() const;
    void PaintTop(QPainter& p) const;
    void PaintEdges(QPainter& p) const;
    void PaintButtons(QPainter& p) const;
    void PaintCaption(QPainter& p) const;

    std::shared_ptr<const CSkinTheme> m_Theme;
    bool m_Active = true;
    int m_Hover = -1;
    int m_Pressed = -1;
    bool m_CursorSet = false;  // a sizing cursor of the frame is on the window
};

}  // namespace ui
