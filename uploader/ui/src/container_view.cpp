// The task container's display order, layout, scrolling and painting.

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "ui/task_container.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

constexpr int kTrackFromRight = 15;
constexpr int kThumbLeftOfTrack = 5;

}  // namespace

void CTaskWinContainer::RebuildOrder() const {
    m_Order.clear();
    m_Order.reserve(m_Rows.size());
    if (m_FailedFirst) {
        for (const auto& [id, row] : m_Rows)
            if (row->IsFailed())
                m_Order.push_back(row.get());
        for (const auto& [id, row] : m_Rows)
            if (!row->IsFailed())
                m_Order.push_back(row.get());
    } else {
        for (const auto& [id, row] : m_Rows)
            m_Order.push_back(row.get());
    }
    m_IndexOf.clear();
    m_IndexOf.reserve(m_Order.size());
    for (size_t i = 0; i < m_Order.size(); ++i)
        m_IndexOf.emplace(m_Order[i]->TaskId(), static_cast<int>(i));
    m_OrderDirty = false;
}

std::vector<int32_t> CTaskWinContainer::DisplayOrder() const {
    if (m_OrderDirty)
        RebuildOrder();
    std::vector<int32_t> ids;
    ids.reserve(m_Order.size());
    for (const CTaskBarWin* row : m_Order)
        ids.push_back(row->TaskId());
    return ids;
}

int CTaskWinContainer::RowWidth() const {
    const int width = WidthOf(UiImages().rowBackground, skin::kRowBackground);
    return ScrollBarShown() ? width : width + kNoScrollBarExtra;
}

QRect CTaskWinContainer::RowRect(int index) const {
    return QRect(0, (index - m_FirstVisible) * kRowPitch - kRowOverlap, RowWidth(),
                 HeightOf(UiImages().rowBackground, skin::kRowBackground));
}

void CTaskWinContainer::RowsChanged() {
    m_OrderDirty = true;
    ScrollTo(m_FirstVisible);
    update();
}

void CTaskWinContainer::RepaintRow(int32_t id) {
    if (m_OrderDirty)
        RebuildOrder();
    const auto found = m_IndexOf.find(id);
    if (found == m_IndexOf.end())
        return;
    const QRect row = RowRect(found->second);
    if (row.intersects(rect()))
        update(row);
}

void CTaskWinContainer::ScrollTo(int firstVisible) {
    const int last = std::max(0, Count() - kRowsPerPage);
    const int bounded = std::clamp(firstVisible, 0, last);
    if (bounded != m_FirstVisible) {
        m_FirstVisible = bounded;
        update();
    }
}

void CTaskWinContainer::ScrollBy(int rows) {
    ScrollTo(m_FirstVisible + rows);
}

CTaskWinContainer::CThumb CTaskWinContainer::Thumb(int count, int firstVisible) {
    CThumb thumb;
    if (count <= kRowsPerPage)
        return thumb;
    thumb.height = kThumbRange / (count / kRowsPerPage + 1);
    const int travel = kThumbRange - thumb.height;
    const int last = count - kRowsPerPage;
    thumb.top =
        firstVisible >= last ? kThumbFirstY + travel : kThumbFirstY + travel * firstVisible / last;
    return thumb;
}

QRect CTaskWinContainer::TrackRect() const {
    const QPixmap& track = UiImages().scrollTrack;
    return QRect(width() - kTrackFromRight, 0, WidthOf(track, skin::kScrollTrack),
                 HeightOf(track, skin::kScrollTrack));
}

QRect CTaskWinContainer::ThumbRect() const {
    const CThumb thumb = Thumb(Count(), m_FirstVisible);
    const int thumbWidth = WidthOf(UiImages().thumbMiddle, skin::kThumbMiddle);
    return QRect(TrackRect().left() - kThumbLeftOfTrack, thumb.top, thumbWidth, thumb.height);
}

void CTaskWinContainer::PaintScrollBar(QPainter& painter) const {
    const CUiImages& images = UiImages();
    painter.drawPixmap(TrackRect().topLeft(), images.scrollTrack);
    const QRect thumb = ThumbRect();
    const int top = HeightOf(images.thumbTop, skin::kThumbTop);
    const int bottom = HeightOf(images.thumbBottom, skin::kThumbBottom);
    painter.drawPixmap(thumb.left(), thumb.top(), images.thumbTop);
    painter.drawPixmap(QRect(thumb.left(), thumb.top() + top, thumb.width(),
                             std::max(0, thumb.height() - top - bottom)),
                       images.thumbMiddle);
    painter.drawPixmap(thumb.left(), thumb.bottom() + 1 - bottom, images.thumbBottom);
}

void CTaskWinContainer::paintEvent(QPaintEvent* event) {
    if (m_OrderDirty)
        RebuildOrder();
    QPainter painter(this);
    const QPixmap& background = UiImages().rowBackground;
    const int width = RowWidth();
    const int last = std::min(Count(), m_FirstVisible + kVisibleHeight / kRowPitch + 1);
    for (int index = m_FirstVisible; index < last; ++index) {
        const QRect box = RowRect(index);
        if (!box.intersects(event->rect()))
            continue;
        const CTaskBarWin& row = *m_Order[static_cast<size_t>(index)];
        painter.save();
        painter.translate(box.topLeft());
        painter.drawPixmap(QRect(0, 0, width, box.height()), background);
        row.Paint(painter, width, row.TaskId() == m_HoverId ? m_HoverPart : RowPart::None);
        painter.restore();
    }
    if (ScrollBarShown())
        PaintScrollBar(painter);
}

}  // namespace ui
