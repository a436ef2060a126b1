#pragma once

// Drawing pieces of skin pictures. Rectangles are in logical pixels, also those inside a
// picture: a sharper @2x picture is read at its own scale.

#include <QPixmap>
#include <QRect>

class QColor;
class QPainter;

namespace ui {

// A part of the picture stretched into the target.
void DrawPicturePart(QPainter& p, const QPixmap& picture, const QRectF& target,
                     const QRectF& source);

// The source part along a row: its fixed left and right ends drawn once, the middle
// repeated (not stretched) across the target, the last copy cut.
void DrawTiledRow(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                  int fixedLeft, int fixedRight);
// The same down a column, with fixed top and bottom ends.
void DrawTiledColumn(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                     int fixedTop, int fixedBottom);

// The source part in nine pieces with the margins: corners as they are, edges stretched
// along their edge, the centre stretched both ways.
void DrawNinePart(QPainter& p, const QPixmap& picture, const QRect& source, const QRect& target,
                  const QMargins& margins);

// The dialogs' background: the client area filled from white at its top to `bottom` at its
// bottom.
void FillClientGradient(QPainter& p, const QRect& client, const QColor& bottom);

}  // namespace ui
