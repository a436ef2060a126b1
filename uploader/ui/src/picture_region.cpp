#include "ui/picture_region.h"

#include <QPainter>
#include <QPainterPath>

#include <QRect>
#include <vector>

namespace ui {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr quint16 kMagenta565 = 0xF81F;

// Which pixels of one scanline are transparent, in the picture's own form.
class CScanline {
public:
    explicit CScanline(const QImage& picture) : m_Picture(picture) {
        const QList<QRgb> table = picture.colorTable();
        m_Clear.reserve(table.size());
        for (QRgb c : table)
            m_Clear.push_back((c | 0xFF000000) == kMagenta || qAlpha(c) == 0);
    }

    bool Clear(const uchar* line, int x) const {
        switch (m_Picture.depth()) {
            case 8: {
                const uchar index = line[x];
                return index < m_Clear.size() && m_Clear[index];
            }
            case 16:
                return reinterpret_cast<const quint16*>(line)[x] == kMagenta565;
            case 24: {
                const uchar* p = line + 3 * x;
                return p[0] == 255 && p[1] == 0 && p[2] == 255;
            }
            default: {
                const QRgb c = reinterpret_cast<const QRgb*>(line)[x];
                return (c | 0xFF000000) == kMagenta ||
                       (m_Picture.hasAlphaChannel() && qAlpha(c) == 0);
            }
        }
    }

private:
    const QImage& m_Picture;
    std::vector<bool> m_Clear;  // per palette entry
};

// The forms read directly; anything else is converted to 32 bits first.
QImage ReadableForm(const QImage& picture) {
    switch (picture.format()) {
        case QImage::Format_Indexed8:
        case QImage::Format_RGB16:
        case QImage::Format_RGB888:
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            return picture;
        default:
            return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                     : QImage::Format_RGB32);
    }
}

// The opaque runs of one scanline.
std::vector<QRect> RunsOf(const CScanline& scan, const uchar* line, int width, int y) {
    std::vector<QRect> runs;
    int x = 0;
    while (x < width) {
        while (x < width && scan.Clear(line, x))
            ++x;
        const int start = x;
        while (x < width && !scan.Clear(line, x))
            ++x;
        if (x > start)
            runs.emplace_back(start, y, x - start, 1);
    }
    return runs;
}

bool SameColumns(const std::vector<QRect>& a, const std::vector<QRect>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].left() != b[i].left() || a[i].right() != b[i].right())
            return false;
    return true;
}

}  // namespace

QRegion RegionFromPicture(const QImage& source) {
    const QImage picture = ReadableForm(source);
    const CScanline scan(picture);
    // Scanlines with the same runs as the one above extend its band, so that the
    // rectangles are in the region's own banded form.
    std::vector<QRect> rects;
    std::vector<QRect> band;
    size_t bandStart = 0;
    rects.reserve(40);
    for (int y = 0; y < picture.height(); ++y) {
        std::vector<QRect> runs = RunsOf(scan, picture.constScanLine(y), picture.width(), y);
        if (!band.empty() && SameColumns(band, runs) && band.front().bottom() + 1 == y) {
            for (size_t i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
            for (QRect& r : band)
                r.setBottom(y);
            continue;
        }
        if (rects.size() + runs.size() > rects.capacity())
            rects.reserve(rects.capacity() + std::max<size_t>(40, runs.size()));
        bandStart = rects.size();
        rects.insert(rects.end(), runs.begin(), runs.end());
        band = std::move(runs);
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QRegion RoundedRegion(QSize size, qreal radius) {
    QImage shape(size, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), radius, radius);
    p.fillPath(outline, Qt::black);
    p.end();
    return RegionFromPicture(shape);
}

}  // namespace ui
