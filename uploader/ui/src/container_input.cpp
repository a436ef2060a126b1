// The task container's pointer, wheel and keyboard handling and its tooltips.

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "intake/messages.h"
#include "ui/task_container.h"

namespace ui {
namespace {

constexpr int kWheelUnitsPerRow = 120;

QString Q(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

bool CTaskWinContainer::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    if (event->type() == QEvent::ToolTip)
        return true;  // the container shows its own, after its own delay
    return QWidget::event(event);
}

int CTaskWinContainer::IndexAt(QPoint point) const {
    if (!rect().contains(point) || (ScrollBarShown() && point.x() >= ThumbRect().left()))
        return -1;
    const int index = m_FirstVisible + (point.y() + kRowOverlap) / kRowPitch;
    return index < Count() ? index : -1;
}

void CTaskWinContainer::Hover(int32_t id, RowPart part) {
    if (id != m_HoverId) {
        QToolTip::hideText();
        if (id != 0)
            m_TipTimer.start();
        else
            m_TipTimer.stop();
    }
    if (id == m_HoverId && part == m_HoverPart)
        return;
    const int32_t before = m_HoverId;
    m_HoverId = id;
    m_HoverPart = part;
    setCursor(part == RowPart::None ? Qt::ArrowCursor : Qt::PointingHandCursor);
    RepaintRow(before);
    RepaintRow(id);
}

void CTaskWinContainer::mouseMoveEvent(QMouseEvent* event) {
    if (m_Hooks.pointerActivity)
        m_Hooks.pointerActivity();
    const QPoint point = event->position().toPoint();
    m_TipPoint = point;
    if (m_Dragging) {
        DragThumb(point.y());
        return;
    }
    const int index = IndexAt(point);
    if (index < 0) {
        Hover(0, RowPart::None);
        return;
    }
    if (m_OrderDirty)
        RebuildOrder();
    const CTaskBarWin& row = *m_Order[static_cast<size_t>(index)];
    Hover(row.TaskId(), row.HitTest(point - RowRect(index).topLeft(), RowWidth()));
}

void CTaskWinContainer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    m_PressId = 0;
    if (ScrollBarShown() && point.x() >= ThumbRect().left()) {
        const QRect thumb = ThumbRect();
        if (point.y() < thumb.top())
            ScrollBy(-kRowsPerPage);
        else if (point.y() > thumb.bottom())
            ScrollBy(kRowsPerPage);
        else {
            m_Dragging = true;
            m_DragOffset = point.y() - thumb.top();
        }
        return;
    }
    mouseMoveEvent(event);
    m_PressId = m_HoverId;
    m_PressPart = m_HoverPart;
}

void CTaskWinContainer::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (m_Dragging) {
        m_Dragging = false;
        return;
    }
    mouseMoveEvent(event);
    const int32_t pressed = std::exchange(m_PressId, 0);
    if (pressed != 0 && pressed == m_HoverId && m_PressPart == m_HoverPart &&
        m_HoverPart != RowPart::None)
        ClickRow(pressed, m_HoverPart);
}

void CTaskWinContainer::ClickRow(int32_t id, RowPart part) {
    const CTaskBarWin* row = Row(id);
    if (!row)
        return;
    switch (part) {
        case RowPart::Remove:
            platform::SendMessage(Handle(), intake::WM_TASK_REMOVE,
                                  static_cast<platform::WParam>(id));
            Hover(0, RowPart::None);
            break;
        case RowPart::Retry:
            platform::SendMessage(Handle(), intake::WM_TASK_RETRY,
                                  static_cast<platform::WParam>(id));
            break;
        case RowPart::View:
            if (m_Hooks.visitFolder)
                m_Hooks.visitFolder(row->RemotePath());
            break;
        case RowPart::Upgrade:
            if (m_Hooks.openShopPage)
                m_Hooks.openShopPage(row->State());
            break;
        case RowPart::None:
            break;
    }
}

void CTaskWinContainer::DragThumb(int y) {
    const int travel = kThumbRange - Thumb(Count(), m_FirstVisible).height;
    if (travel <= 0)
        return;
    const int last = Count() - kRowsPerPage;
    const double position = static_cast<double>(y - m_DragOffset - kThumbFirstY) * last / travel;
    ScrollTo(static_cast<int>(std::lround(position)));
}

void CTaskWinContainer::wheelEvent(QWheelEvent* event) {
    m_WheelDelta += event->angleDelta().y();
    const int rows = m_WheelDelta / kWheelUnitsPerRow;
    m_WheelDelta -= rows * kWheelUnitsPerRow;
    ScrollBy(-rows);  // turning the wheel away from the user moves up the list
    event->accept();
}

void CTaskWinContainer::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            ScrollBy(-1);
            break;
        case Qt::Key_Down:
            ScrollBy(1);
            break;
        case Qt::Key_PageUp:
            ScrollBy(-kRowsPerPage);
            break;
        case Qt::Key_PageDown:
            ScrollBy(kRowsPerPage);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CTaskWinContainer::leaveEvent(QEvent*) {
    Hover(0, RowPart::None);
    m_TipTimer.stop();
    QToolTip::hideText();
}

void CTaskWinContainer::ShowTooltip() {
    const CTaskBarWin* row = Row(m_HoverId);
    if (!row)
        return;
    QToolTip::showText(mapToGlobal(m_TipPoint), Q(row->FullName()), this);
}

}  // namespace ui
