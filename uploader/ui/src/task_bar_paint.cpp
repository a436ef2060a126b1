// Painting one row.

#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>

#include "task_bar_fonts.h"
#include "ui/task_bar.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

const QColor kNameColour(0x4B, 0x50, 0x55);
const QColor kViewUnderline(0x0C, 0x7C, 0xF1);
constexpr int kPercentFromRight = 40;

QString Q(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Text with its top left corner at (x, y).
void DrawText(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.drawText(QRect(x, y, metrics.horizontalAdvance(text) + 1, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}

const QPixmap& IconPicture(CStatusLook::Icon icon) {
    const CUiImages& images = UiImages();
    switch (icon) {
        case CStatusLook::Icon::Waiting:
            return images.rowWaiting;
        case CStatusLook::Icon::Success:
            return images.rowSuccess;
        default:
            return images.rowFailed;
    }
}

void PaintProgress(QPainter& painter, const CStatusLook& look, float progress, int rowWidth) {
    const CUiImages& images = UiImages();
    const int y = CTaskBarWin::kStatusY;
    painter.drawPixmap(10, y, images.progressTrack);
    const int fill = std::max(1, static_cast<int>(progress * CTaskBarWin::kTrackWidth));
    if (!images.progressFill.isNull())
        painter.drawPixmap(10, y, images.progressFill, 0, 0,
                           std::min(fill, images.progressFill.width()),
                           images.progressFill.height());
    painter.setFont(PercentFont());
    painter.setPen(look.colour);
    const QString percent = Q(PercentText(progress));
    const int x = rowWidth - kPercentFromRight;
    DrawText(painter, x, y, percent);
    DrawText(painter, x + QFontMetrics(painter.font()).horizontalAdvance(percent) - 1, y,
             QStringLiteral("%"));
}

void PaintLink(QPainter& painter, const CStatusLook& look, const QRect& box, bool hovered) {
    const bool underlineFont = hovered && look.link == RowPart::Upgrade;
    painter.setFont(underlineFont ? LinkHoverFont() : StatusFont());
    painter.setPen(look.linkColour);
    DrawText(painter, look.linkX, CTaskBarWin::kStatusY, Q(look.linkText));
    if (hovered && look.link == RowPart::View) {
        painter.setPen(kViewUnderline);
        painter.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
    }
}

void PaintStatus(QPainter& painter, const CTaskBarWin& row, int rowWidth, RowPart hovered) {
    const CStatusLook look = row.Look(rowWidth);
    if (look.progress) {
        PaintProgress(painter, look, row.Progress(), rowWidth);
        return;
    }
    if (look.icon != CStatusLook::Icon::None)
        painter.drawPixmap(10, CTaskBarWin::kStatusY, IconPicture(look.icon));
    if (!look.text.empty()) {
        painter.setFont(StatusFont());
        painter.setPen(look.colour);
        DrawText(painter, look.textX, CTaskBarWin::kStatusY, Q(look.text));
    }
    if (look.link != RowPart::None)
        PaintLink(painter, look, row.PartRect(look.link, rowWidth), hovered == look.link);
}

}  // namespace

void CTaskBarWin::Paint(QPainter& painter, int rowWidth, RowPart hovered) const {
    painter.save();
    PaintStatus(painter, *this, rowWidth, hovered);
    painter.setFont(RowFont());
    painter.setPen(kNameColour);
    const QString name =
        QFontMetrics(painter.font()).elidedText(Q(m_Name), Qt::ElideRight, kNameWidth);
    DrawText(painter, kNameX, kNameY, name);
    const QRect remove = PartRect(RowPart::Remove, rowWidth);
    painter.drawPixmap(remove.topLeft(), UiImages().rowRemove);
    painter.restore();
}

}  // namespace ui
