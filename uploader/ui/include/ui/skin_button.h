#pragma once

// A push button drawn from a picture set: five pictures of equal width side by side
// (focused, normal, pressed, hover, disabled), each drawn in nine parts. It hooks an
// existing button, so any QAbstractButton of a form can wear it. A click counts only when
// the button is released while the pointer is over it; Space clicks too. The button then
// emits its own clicked(): the parent knows the control by the object itself.

#include <QMargins>
#include <QPixmap>

#include "ui/subclass_wnd.h"

class QAbstractButton;
class QPainter;

namespace ui {

class CSkinButton : public CSubclassWnd {
public:
    enum Picture {
        Focused = 0,
        NormalPicture = 1,
        PressedPicture = 2,
        HoverPicture = 3,
        Disabled = 4
    };
    static constexpr int kPictures = 5;
    static constexpr int kCaptionTop = 7;

    explicit CSkinButton(QAbstractButton* button);
    void SetImageSet(QPixmap pictures, QMargins margins);

    QAbstractButton* Button() const;
    bool IsHover() const { return m_Hover; }
    bool IsPressed() const { return m_Pressed; }
    // Which of the five pictures the button shows now.
    Picture CurrentPicture() const;

protected:
    bool WindowProc(QEvent* event) override;

private:
    bool OnMouse(QEvent* event);
    void ClickIfHovered();
    void Paint(QPainter& p) const;
    void Repaint() const;

    QPixmap m_Pictures;
    QMargins m_Margins;
    bool m_Hover = false;
    bool m_Pressed = false;
};

}  // namespace ui
