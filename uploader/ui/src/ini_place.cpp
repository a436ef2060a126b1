#include "ui/ini_place.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "settings/ini.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

// A point size at 96 dots per inch, in pixels, as the dialogs were drawn.
int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

QFont IniFont(int pointSize) {
    return UiFont(QStringLiteral("宋体"), PointsToPixels(pointSize));
}

std::vector<int> Ints(std::u16string_view section, std::u16string_view key) {
    std::vector<int> values;
    settings::IniInts(section, key, values);
    values.resize(3, 0);
    return values;
}

}  // namespace

QString IniTextOf(std::u16string_view section) {
    std::u16string text;
    settings::IniText(section, text);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QColor IniColour(std::u16string_view section) {
    const std::vector<int> c = Ints(section, u"color");
    return QColor(std::clamp(c[0], 0, 255), std::clamp(c[1], 0, 255), std::clamp(c[2], 0, 255));
}

QPoint IniPos(std::u16string_view section) {
    const std::vector<int> p = Ints(section, u"pos");
    return QPoint(p[0], p[1]);
}

QSize IniSize(std::u16string_view section) {
    const std::vector<int> s = Ints(section, u"size");
    return QSize(s[0], s[1]);
}

QRect IniRect(std::u16string_view section, QRect fallback) {
    std::vector<int> size, pos;
    if (settings::IniInts(section, u"size", size) >= 2)
        fallback.setSize(QSize(size[0], size[1]));
    if (settings::IniInts(section, u"pos", pos) >= 2)
        fallback.moveTopLeft(QPoint(pos[0], pos[1]));
    return fallback;
}

void PlaceInClient(QWidget& widget, QRect rect, QPoint shift) {
    const QPoint client =
        widget.parentWidget() ? widget.parentWidget()->contentsRect().topLeft() : QPoint();
    widget.setGeometry(rect.translated(client + shift));
}

void IniPlace(std::u16string_view section, QWidget& widget, bool centre, QPoint offset) {
    const QSize size = IniSize(section);
    QPoint at = IniPos(section) + offset;
    if (centre && widget.parentWidget())
        at.setX((widget.parentWidget()->contentsRect().width() - size.width()) / 2);
    widget.setGeometry(QRect(at, size));
    widget.show();
}

QRect IniTextBox(std::u16string_view section, int pointSize, QPoint offset) {
    const QFontMetrics metrics(IniFont(pointSize));
    const QString text = IniTextOf(section);
    return QRect(IniPos(section) + offset,
                 QSize(metrics.horizontalAdvance(text), metrics.height()));
}

QRect IniDrawText(std::u16string_view section, QPainter& painter, int pointSize, QPoint offset) {
    const QRect box = IniTextBox(section, pointSize, offset);
    painter.save();
    painter.setFont(IniFont(pointSize));
    painter.setPen(IniColour(section));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, IniTextOf(section));
    painter.restore();
    return box;
}

}  // namespace ui
