#include "art_kit.h"

#include <QFont>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainterPath>

namespace skin_art {

namespace {
int g_Scale = 1;
}  // namespace

void SetDrawScale(int scale) {
    g_Scale = scale;
}

QImage Draw(int width, int height, const std::function<void(QPainter&)>& paint) {
    QImage image(width * g_Scale, height * g_Scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(g_Scale, g_Scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paint(p);
    p.end();
    return image;
}

void Panel(QPainter& p, const QRectF& box, qreal radius, QColor top, QColor bottom, QColor border) {
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void Cross(QPainter& p, const QRectF& box, QColor colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

void Check(QPainter& p, const QRectF& box, QColor colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(box.left(), box.top() + box.height() * 0.55);
    path.lineTo(box.left() + box.width() * 0.38, box.bottom());
    path.lineTo(box.right(), box.top());
    p.drawPath(path);
}

void Badge(QPainter& p, const QRectF& box, QColor colour,
           const std::function<void(QPainter&, const QRectF&)>& glyph) {
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, colour.lighter(125));
    fill.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(115), 1));
    p.setBrush(fill);
    p.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    glyph(p, box);
}

void CloudMark(QPainter& p, const QRectF& box, QColor cloud, QColor arrow) {
    const qreal w = box.width();
    const qreal h = box.height();
    const QPointF o = box.topLeft();
    QPainterPath shape;
    shape.addEllipse(QRectF(o.x() + w * 0.05, o.y() + h * 0.42, w * 0.42, h * 0.42));
    shape.addEllipse(QRectF(o.x() + w * 0.25, o.y() + h * 0.18, w * 0.50, h * 0.52));
    shape.addEllipse(QRectF(o.x() + w * 0.53, o.y() + h * 0.38, w * 0.42, h * 0.46));
    shape.addRoundedRect(QRectF(o.x() + w * 0.22, o.y() + h * 0.55, w * 0.56, h * 0.29), h * 0.1,
                         h * 0.1);
    shape.setFillRule(Qt::WindingFill);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, cloud.lighter(130));
    fill.setColorAt(1, cloud);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape.simplified());
    const qreal stroke = std::max<qreal>(1.2, w * 0.09);
    p.setPen(QPen(arrow, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tip(o.x() + w * 0.5, o.y() + h * 0.38);
    p.drawLine(tip, QPointF(tip.x(), o.y() + h * 0.78));
    p.drawLine(tip, QPointF(tip.x() - w * 0.14, tip.y() + h * 0.14));
    p.drawLine(tip, QPointF(tip.x() + w * 0.14, tip.y() + h * 0.14));
}

void AppIconArt(QPainter& p) {
    Panel(p, QRectF(2, 2, 60, 60), 14, kAccentLight, kAccent, kAccent.darker(120));
    CloudMark(p, QRectF(8, 10, 48, 44), QColor(0xEA, 0xF4, 0xFF), kAccent);
}

QStringList TextFamilies() {
    QStringList found;
    for (const QString& name :
         {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
          QStringLiteral("DejaVu Sans")}) {
        if (QFontDatabase::hasFamily(name))
            found.push_back(name);
    }
    return found;
}

void CenteredText(QPainter& p, const QRectF& box, const QString& text, int pixelSize, QColor colour,
                  bool bold) {
    QFont font;
    font.setFamilies(TextFamilies());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

QImage ButtonStrip(int width, int height, int states, QColor base, const QString& caption) {
    return Draw(width * states, height, [&](QPainter& p) {
        for (int i = 0; i < states; ++i) {
            QColor top = base.lighter(135);
            QColor bottom = base;
            QColor border = base.darker(125);
            // Five states: focused, normal, pressed, hover, disabled.
            if (states == 5 && i == 2) {
                top = base.darker(105);
                bottom = base.lighter(110);
            } else if (states == 5 && i == 3) {
                top = base.lighter(165);
                bottom = base.lighter(125);
                border = kAccent;
            } else if (states == 5 && i == 4) {
                top = bottom = QColor(0xE4, 0xE7, 0xEB);
                border = QColor(0xC4, 0xC9, 0xCF);
            }
            const QRectF box(i * width, 0, width, height);
            Panel(p, box, 3, top, bottom, border);
            if (states == 5 && i == 0) {
                p.setPen(QPen(QColor(255, 255, 255, 170), 1, Qt::DotLine));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(box.adjusted(3, 3, -3, -3), 2, 2);
            }
            if (!caption.isEmpty())
                CenteredText(p, box, caption, 12,
                             states == 5 && i == 4 ? QColor(0x9A, 0xA0, 0xA6) : Qt::white, true);
        }
    });
}

}  // namespace skin_art
