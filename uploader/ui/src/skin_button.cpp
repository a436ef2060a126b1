#include "ui/skin_button.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/skin_drawing.h"
#include "ui/skin_theme.h"
#include "ui/ui_fonts.h"

namespace ui {

CSkinButton::CSkinButton(QAbstractButton* button) {
    HookWindow(button);
    if (button->accessibleName().isEmpty())
        button->setAccessibleName(button->text());
    button->setMouseTracking(true);
    button->setAttribute(Qt::WA_Hover, false);
}

void CSkinButton::SetImageSet(QPixmap pictures, QMargins margins) {
    m_Pictures = std::move(pictures);
    m_Margins = margins;
    Repaint();
}

QAbstractButton* CSkinButton::Button() const {
    return static_cast<QAbstractButton*>(Window());
}

CSkinButton::Picture CSkinButton::CurrentPicture() const {
    const QAbstractButton* b = Button();
    if (!b || !b->isEnabled())
        return Disabled;
    if (m_Pressed && m_Hover)
        return PressedPicture;
    if (m_Hover)
        return HoverPicture;
    return b->hasFocus() ? Focused : NormalPicture;
}

void CSkinButton::Repaint() const {
    if (QWidget* w = Window())
        w->update();
}

bool CSkinButton::WindowProc(QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint:
            if (m_Pictures.isNull())
                break;  // no pictures: the button draws itself
            {
                QPainter p(Window());
                Paint(p);
            }
            return true;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return OnMouse(event);
        case QEvent::Leave:
            if (!m_Pressed && m_Hover) {
                m_Hover = false;
                Repaint();
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Space)
                break;
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                Button()->click();
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::EnabledChange:
            Repaint();
            break;
        default:
            break;
    }
    return Default(event);
}

bool CSkinButton::OnMouse(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    QAbstractButton* b = Button();
    const bool inside = b->rect().contains(mouse->position().toPoint());
    switch (event->type()) {
        case QEvent::MouseMove:
            if (inside != m_Hover || (!inside && m_Pressed)) {
                m_Hover = inside;
                if (!inside)
                    m_Pressed = false;
                Repaint();
            }
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:  // a double click is two clicks
            if (mouse->button() != Qt::LeftButton)
                return true;
            m_Pressed = m_Hover = true;
            if (b->focusPolicy() != Qt::NoFocus)
                b->setFocus(Qt::MouseFocusReason);
            Repaint();
            return true;
        default:
            if (mouse->button() == Qt::LeftButton)
                ClickIfHovered();
            return true;
    }
}

void CSkinButton::ClickIfHovered() {
    m_Pressed = false;
    if (!m_Hover) {
        Repaint();
        return;
    }
    m_Hover = false;
    Repaint();
    Button()->click();
}

void CSkinButton::Paint(QPainter& p) const {
    const QAbstractButton* b = Button();
    const int width = CSkinTheme::PictureWidth(m_Pictures) / kPictures;
    const QRect source(CurrentPicture() * width, 0, width, CSkinTheme::PictureHeight(m_Pictures));
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    DrawNinePart(p, m_Pictures, source, b->rect(), m_Margins);
    const QString text = b->text();
    if (text.isEmpty())
        return;
    p.setFont(UiFont(QStringLiteral("宋体"), 12));
    p.setPen(b->isEnabled() ? QColor(Qt::black)
                            : b->palette().color(QPalette::Disabled, QPalette::Text));
    const int textWidth = p.fontMetrics().horizontalAdvance(text);
    const int x = std::max(2, (b->width() - textWidth) / 2);
    p.drawText(QRect(x, kCaptionTop, b->width() - x, b->height() - kCaptionTop),
               Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace ui
