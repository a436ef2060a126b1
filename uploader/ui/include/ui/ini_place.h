#pragma once

// Windows laid out from the skin's layout file "UI.ini": one section per element, with
// "size" (width height), "pos" (x y), "color" (red green blue) and "text"; and the
// placing of a widget at a rectangle of its parent's client area.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <string_view>

class QPainter;
class QWidget;

namespace ui {

// The section's "text", "color" and "pos" (x y, moved by offset).
QString IniTextOf(std::u16string_view section);
QColor IniColour(std::u16string_view section);
QPoint IniPos(std::u16string_view section);
QSize IniSize(std::u16string_view section);
// The fallback with the section's "size" and "pos" put in, each only when the section has it.
QRect IniRect(std::u16string_view section, QRect fallback);

// Places the widget at the rectangle, given from the top left corner of its parent's
// client area (its contents rectangle, inside the skin's frame), moved by shift.
void PlaceInClient(QWidget& widget, QRect rect, QPoint shift = {});

// Places and shows the widget at the section's "pos" with its "size"; with centre, the
// widget is centred horizontally in its parent's client area instead. offset moves it.
void IniPlace(std::u16string_view section, QWidget& widget, bool centre, QPoint offset = {});

// Where the section's text goes, measured in "宋体" of the size in points.
QRect IniTextBox(std::u16string_view section, int pointSize, QPoint offset = {});
// Draws the section's text there in its colour; returns the measured box. The painter's
// font and pen are left as they were.
QRect IniDrawText(std::u16string_view section, QPainter& painter, int pointSize,
                  QPoint offset = {});

}  // namespace ui
