#pragma once

// Drawing helpers of the picture generator: one palette and a few shapes, so that every
// picture of the skin looks like part of one set.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <functional>

namespace skin_art {

// The palette.
inline const QColor kPanelTop(0xF1, 0xF7, 0xFE);
inline const QColor kPanelBottom(0xDA, 0xEA, 0xFB);
inline const QColor kPanelBorder(0x9F, 0xC2, 0xE8);
inline const QColor kHeaderBand(0xE3, 0xEF, 0xFC);
inline const QColor kSeparator(0xC4, 0xDA, 0xF2);
inline const QColor kAccent(0x24, 0x7E, 0xCA);
inline const QColor kAccentLight(0x5A, 0xB0, 0xFA);
inline const QColor kGlyph(0x5A, 0x6B, 0x7F);
inline const QColor kGlyphLight(0x9A, 0xA5, 0xB1);
inline const QColor kSuccess(0x3C, 0x9A, 0x15);
inline const QColor kFailure(0xD9, 0x36, 0x3E);
inline const QColor kWaiting(0x8F, 0xA9, 0xC4);
inline const QColor kTrack(0xE1, 0xE8, 0xF0);
inline const QColor kTrackBorder(0xC9, 0xD5, 0xE2);
inline const QColor kCard(0xFF, 0xFF, 0xFF, 0xEB);
inline const QColor kCardBorder(0xD3, 0xE3, 0xF4);
inline const QColor kHintFill(0xFF, 0xF8, 0xE1);
inline const QColor kHintBorder(0xE6, 0xC7, 0x7A);

// A transparent picture of the size, painted by `paint` with antialiasing. At a drawing
// scale of 2 the picture has twice the pixels and `paint` still draws in the sizes given.
QImage Draw(int width, int height, const std::function<void(QPainter&)>& paint);
void SetDrawScale(int scale);

// A rounded panel filling the rectangle: vertical gradient, 1-pixel border.
void Panel(QPainter& p, const QRectF& box, qreal radius, QColor top, QColor bottom, QColor border);
// A cross of two strokes inside the box.
void Cross(QPainter& p, const QRectF& box, QColor colour, qreal width);
// A check mark inside the box.
void Check(QPainter& p, const QRectF& box, QColor colour, qreal width);
// A round badge with a glyph drawn by `glyph` in white inside it.
void Badge(QPainter& p, const QRectF& box, QColor colour,
           const std::function<void(QPainter&, const QRectF&)>& glyph);
// The product mark: a cloud with an upward arrow.
void CloudMark(QPainter& p, const QRectF& box, QColor cloud, QColor arrow);
// The program's icon in its 64-unit design: a rounded blue panel carrying the product
// mark. The skin's 64-pixel picture and the icon theme's sizes are drawn from it.
void AppIconArt(QPainter& p);
// A text centred in the box (pictures that carry their caption).
void CenteredText(QPainter& p, const QRectF& box, const QString& text, int pixelSize, QColor colour,
                  bool bold = false);
// A push button: `states` pictures of equal width side by side (focused, normal, pressed,
// hover, disabled for five), each with the same caption (may be empty).
QImage ButtonStrip(int width, int height, int states, QColor base, const QString& caption);

// The families the generator draws text with.
QStringList TextFamilies();

}  // namespace skin_art
