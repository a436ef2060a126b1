#include "ui/skin_win.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <utility>

#include "ui/picture_region.h"

namespace ui {
namespace {

constexpr int kSizingBorder = 4;   // edge band that resizes
constexpr int kSizingCorner = 12;  // corner length along each edge
constexpr int kCaptionFrom = 2;    // the caption starts below the top sizing band
constexpr int kSmallIcon = 16;

Qt::Edges EdgesOf(CSkinWin::HitArea hit) {
    switch (hit) {
        case CSkinWin::HTLEFT:
            return Qt::LeftEdge;
        case CSkinWin::HTRIGHT:
            return Qt::RightEdge;
        case CSkinWin::HTTOP:
            return Qt::TopEdge;
        case CSkinWin::HTBOTTOM:
            return Qt::BottomEdge;
        case CSkinWin::HTTOPLEFT:
            return Qt::TopEdge | Qt::LeftEdge;
        case CSkinWin::HTTOPRIGHT:
            return Qt::TopEdge | Qt::RightEdge;
        case CSkinWin::HTBOTTOMLEFT:
            return Qt::BottomEdge | Qt::LeftEdge;
        case CSkinWin::HTBOTTOMRIGHT:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

Qt::CursorShape CursorOf(CSkinWin::HitArea hit) {
    switch (hit) {
        case CSkinWin::HTLEFT:
        case CSkinWin::HTRIGHT:
            return Qt::SizeHorCursor;
        case CSkinWin::HTTOP:
        case CSkinWin::HTBOTTOM:
            return Qt::SizeVerCursor;
        case CSkinWin::HTTOPLEFT:
        case CSkinWin::HTBOTTOMRIGHT:
            return Qt::SizeFDiagCursor;
        case CSkinWin::HTTOPRIGHT:
        case CSkinWin::HTBOTTOMLEFT:
            return Qt::SizeBDiagCursor;
        default:
            return Qt::ArrowCursor;
    }
}

CSkinWin::HitArea ButtonHit(int action) {
    switch (static_cast<CaptionAction>(action)) {
        case CaptionAction::Close:
            return CSkinWin::HTCLOSE;
        case CaptionAction::MaximizeRestore:
            return CSkinWin::HTMAXBUTTON;
        case CaptionAction::Minimize:
            return CSkinWin::HTMINBUTTON;
        default:
            return CSkinWin::HTOTHERBUTTON;
    }
}

}  // namespace

bool CSkinWin::LoadSkin(const QString& themePath, const SkinLogSink& log) {
    m_Theme = LoadSkinTheme(themePath, log);
    return !m_Theme->top.isNull() || !m_Theme->left.isNull() || !m_Theme->dialog.isNull();
}

bool CSkinWin::InstallSkin(QWidget* window) {
    if (!m_Theme || !window)
        return false;
    if (window->isWindow() && !window->windowFlags().testFlag(Qt::FramelessWindowHint))
        window->setWindowFlag(Qt::FramelessWindowHint);
    HookWindow(window);
    window->setMouseTracking(true);
    m_Active = !window->isVisible() || window->isActiveWindow();
    Recalculate();
    return true;
}

void CSkinWin::UninstallSkin() {
    if (QWidget* w = Window()) {
        HookWindow(nullptr);
        w->setContentsMargins(0, 0, 0, 0);
        w->clearMask();
        if (std::exchange(m_CursorSet, false))
            w->unsetCursor();
        w->update();
    }
}

QMargins CSkinWin::FrameMargins() const {
    if (!m_Theme)
        return {};
    return {m_Theme->LeftWidth(), m_Theme->TopHeight(), m_Theme->RightWidth(),
            m_Theme->BottomHeight()};
}

QRect CSkinWin::CaptionButtonRect(int index) const {
    if (!m_Theme || !Window() || index < 0 || index >= int(m_Theme->buttons.size()))
        return {};
    const CCaptionButtonSkin& b = m_Theme->buttons[size_t(index)];
    return QRect(Window()->width() - b.xCoord, b.yCoord, b.width, b.height);
}

CSkinWin::ButtonState CSkinWin::CaptionButtonState(int index) const {
    if (index == m_Pressed && index == m_Hover)
        return Pressed;
    return index == m_Hover ? Hover : Normal;
}

int CSkinWin::ButtonAt(QPoint pos) const {
    for (int i = 0; m_Theme && i < int(m_Theme->buttons.size()); ++i)
        if (CaptionButtonRect(i).contains(pos))
            return i;
    return -1;
}

bool CSkinWin::Resizable() const {
    const QWidget* w = Window();
    return w && w->minimumSize() != w->maximumSize() && !w->isMaximized();
}

CSkinWin::HitArea CSkinWin::HitTest(QPoint pos) const {
    const QWidget* w = Window();
    if (!w || !m_Theme || !w->rect().contains(pos))
        return HTCLIENT;
    if (const int button = ButtonAt(pos); button >= 0)
        return ButtonHit(m_Theme->buttons[size_t(button)].action);
    const QMargins frame = FrameMargins();
    const QRect icon(frame.left(), (frame.top() - kSmallIcon) / 2, kSmallIcon, kSmallIcon);
    if (icon.contains(pos))
        return HTSYSMENU;
    if (Resizable()) {
        const bool left = pos.x() < kSizingBorder, right = pos.x() >= w->width() - kSizingBorder;
        const bool top = pos.y() < kSizingBorder, bottom = pos.y() >= w->height() - kSizingBorder;
        const bool nearLeft = pos.x() < kSizingCorner,
                   nearRight = pos.x() >= w->width() - kSizingCorner;
        const bool nearTop = pos.y() < kSizingCorner,
                   nearBottom = pos.y() >= w->height() - kSizingCorner;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
    }
    if (pos.y() >= kCaptionFrom && pos.y() < frame.top())
        return HTCAPTION;
    return HTCLIENT;
}

QRegion CSkinWin::WindowRegion() const {
    const QWidget* w = Window();
    if (!w || !m_Theme || !m_Theme->usesTran)
        return {};
    // The frame as drawn, over an opaque window: magenta and clear pixels fall out.
    QImage shape(w->size(), QImage::Format_ARGB32);
    shape.fill(Qt::white);
    QPainter p(&shape);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    PaintTop(p);
    PaintEdges(p);
    p.end();
    return RegionFromPicture(shape);
}

void CSkinWin::Recalculate() {
    QWidget* w = Window();
    if (!w)
        return;
    w->setContentsMargins(FrameMargins());
    const QRegion region = WindowRegion();
    if (region.isEmpty())
        w->clearMask();
    else
        w->setMask(region);
    w->update();
}

bool CSkinWin::WindowProc(QEvent* event) {
    QWidget* w = Window();
    switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
            Recalculate();
            break;
        case QEvent::ActivationChange:
            m_Active = w->isActiveWindow();
            w->update();
            break;
        case QEvent::WindowTitleChange:
        case QEvent::WindowStateChange:
            w->update();
            break;
        case QEvent::Paint: {
            QPainter p(w);
            PaintFrame(p);
            break;
        }
        case QEvent::Leave:
            SetHover(-1);
            ShowCursorFor(HTCLIENT);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            if (OnMouse(static_cast<QMouseEvent*>(event)))
                return true;
            break;
        case QEvent::ContextMenu:
            if (HitTest(static_cast<QContextMenuEvent*>(event)->pos()) != HTCLIENT)
                return true;
            break;
        default:
            break;
    }
    return Default(event);
}

// Mouse events on the frame belong to the frame; the client's go on to the window.
bool CSkinWin::OnMouse(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const HitArea hit = HitTest(pos);
    switch (event->type()) {
        case QEvent::MouseMove:
            SetHover(ButtonAt(pos));
            if (m_Pressed < 0 && !(event->buttons() & Qt::LeftButton))
                ShowCursorFor(hit);
            return hit != HTCLIENT || m_Pressed >= 0;
        case QEvent::MouseButtonPress:
            if (hit == HTCLIENT || event->button() != Qt::LeftButton)
                return hit != HTCLIENT;
            OnPress(hit, event);
            return true;
        case QEvent::MouseButtonRelease:
            if (event->button() == Qt::LeftButton && m_Pressed >= 0) {
                OnRelease(hit);
                return true;
            }
            return hit != HTCLIENT;
        default:  // a double click on the frame does nothing
            return hit != HTCLIENT;
    }
}

void CSkinWin::OnPress(HitArea hit, QMouseEvent* event) {
    const int button = ButtonAt(event->position().toPoint());
    if (button >= 0) {
        m_Pressed = button;
        SetHover(button);
        Window()->update();
        return;
    }
    QWindow* handle = Window()->windowHandle();
    if (!handle)
        return;
    if (hit == HTCAPTION || hit == HTSYSMENU)
        handle->startSystemMove();
    else if (const Qt::Edges edges = EdgesOf(hit))
        handle->startSystemResize(edges);
}

void CSkinWin::OnRelease(HitArea) {
    const int pressed = std::exchange(m_Pressed, -1);
    Window()->update();
    if (pressed == m_Hover)
        RunAction(m_Theme->buttons[size_t(pressed)].action);
}

// Sizing cursors over the edges; the window's own cursor is left alone elsewhere.
void CSkinWin::ShowCursorFor(HitArea hit) {
    const Qt::CursorShape shape = CursorOf(hit);
    if (shape != Qt::ArrowCursor) {
        Window()->setCursor(shape);
        m_CursorSet = true;
    } else if (std::exchange(m_CursorSet, false)) {
        Window()->unsetCursor();
    }
}

void CSkinWin::SetHover(int index) {
    if (index == m_Hover)
        return;
    m_Hover = index;
    if (QWidget* w = Window())
        w->update(QRect(0, 0, w->width(), FrameMargins().top()));
}

void CSkinWin::RunAction(int action) {
    QWidget* w = Window();
    switch (static_cast<CaptionAction>(action)) {
        case CaptionAction::Close:
            m_Hover = -1;
            w->close();
            break;
        case CaptionAction::MaximizeRestore:
            if (w->isMaximized())
                w->showNormal();
            else
                w->showMaximized();
            break;
        case CaptionAction::Minimize:
            w->showMinimized();
            break;
        default:
            break;
    }
}

}  // namespace ui
