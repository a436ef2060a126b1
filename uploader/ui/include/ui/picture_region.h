#pragma once

// The shape of a picture as a window region: magenta (255, 0, 255; 0xF81F in 16-bit
// 5-6-5 pictures) is transparent, and so is a fully transparent pixel of a picture with
// an alpha channel. Pictures of 8 (palette), 16, 24 and 32 bits per pixel are read in
// their own form.

#include <QImage>
#include <QRegion>

namespace ui {

// The opaque pixels, collected per scanline as runs, as one region in picture pixels.
QRegion RegionFromPicture(const QImage& picture);

// A rectangle of the size from (0, 0) with corners rounded by the radius, as the region
// of its painted pixels: the shape of a window with rounded corners.
QRegion RoundedRegion(QSize size, qreal radius);

}  // namespace ui
