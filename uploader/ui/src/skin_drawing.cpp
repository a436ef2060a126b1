#include "ui/skin_drawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace ui {

void DrawPicturePart(QPainter& p, const QPixmap& picture, const QRectF& target,
                     const QRectF& source) {
    if (picture.isNull() || target.isEmpty() || source.isEmpty())
        return;
    const qreal scale = picture.devicePixelRatio();
    const QRectF device(source.x() * scale, source.y() * scale, source.width() * scale,
                        source.height() * scale);
    p.drawPixmap(target, picture, device);
}

void DrawTiledRow(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                  int fixedLeft, int fixedRight) {
    const int h = target.height();
    fixedLeft = std::clamp(fixedLeft, 0, source.width());
    fixedRight = std::clamp(fixedRight, 0, source.width() - fixedLeft);
    const int ends = std::min(target.width(), fixedLeft + fixedRight);
    const int left = std::min(fixedLeft, ends);
    const int right = ends - left;
    DrawPicturePart(p, picture, QRect(target.left(), target.top(), left, h),
                    QRect(source.topLeft(), QSize(left, h)));
    DrawPicturePart(p, picture, QRect(target.right() + 1 - right, target.top(), right, h),
                    QRect(source.right() + 1 - right, source.top(), right, h));
    const int middle = source.width() - fixedLeft - fixedRight;
    if (middle <= 0)
        return;
    for (int x = target.left() + left; x < target.right() + 1 - right; x += middle) {
        const int w = std::min(middle, target.right() + 1 - right - x);
        DrawPicturePart(p, picture, QRect(x, target.top(), w, h),
                        QRect(source.left() + fixedLeft, source.top(), w, h));
    }
}

void DrawTiledColumn(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                     int fixedTop, int fixedBottom) {
    const int w = target.width();
    fixedTop = std::clamp(fixedTop, 0, source.height());
    fixedBottom = std::clamp(fixedBottom, 0, source.height() - fixedTop);
    const int ends = std::min(target.height(), fixedTop + fixedBottom);
    const int top = std::min(fixedTop, ends);
    const int bottom = ends - top;
    DrawPicturePart(p, picture, QRect(target.left(), target.top(), w, top),
                    QRect(source.topLeft(), QSize(w, top)));
    DrawPicturePart(p, picture, QRect(target.left(), target.bottom() + 1 - bottom, w, bottom),
                    QRect(source.left(), source.bottom() + 1 - bottom, w, bottom));
    const int middle = source.height() - fixedTop - fixedBottom;
    if (middle <= 0)
        return;
    for (int y = target.top() + top; y < target.bottom() + 1 - bottom; y += middle) {
        const int h = std::min(middle, target.bottom() + 1 - bottom - y);
        DrawPicturePart(p, picture, QRect(target.left(), y, w, h),
                        QRect(source.left(), source.top() + fixedTop, w, h));
    }
}

void DrawNinePart(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                  const QMargins& m) {
    const int sx[4] = {source.left(), source.left() + m.left(), source.right() + 1 - m.right(),
                       source.right() + 1};
    const int sy[4] = {source.top(), source.top() + m.top(), source.bottom() + 1 - m.bottom(),
                       source.bottom() + 1};
    const int tx[4] = {target.left(), target.left() + m.left(), target.right() + 1 - m.right(),
                       target.right() + 1};
    const int ty[4] = {target.top(), target.top() + m.top(), target.bottom() + 1 - m.bottom(),
                       target.bottom() + 1};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            DrawPicturePart(
                p, picture,
                QRect(QPoint(tx[col], ty[row]), QPoint(tx[col + 1] - 1, ty[row + 1] - 1)),
                QRect(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1)));
}

void FillClientGradient(QPainter& p, const QRect& client, const QColor& bottom) {
    QLinearGradient fill(client.topLeft(), client.bottomLeft());
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(1, bottom);
    p.fillRect(client, fill);
}

}  // namespace ui
