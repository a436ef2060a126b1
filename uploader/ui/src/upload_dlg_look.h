#pragma once

// How the main window looks: its texts, fonts, colours and places.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRectF>
#include <string_view>

#include "ui/ui_fonts.h"

namespace ui {

inline constexpr std::u16string_view kMainTitle = u"Norvel网盘Flinga";
// Set on the main window so that other programs can find it.
inline constexpr std::u16string_view kUploaderProperty = u"norvel_uploader_exe";

inline const QPoint kTitleAt(10, 10);
inline const QPoint kCloseAt(240, 10);
inline constexpr int kLinkX = 150;  // the link starts here; the logo ends here
inline constexpr int kLinkY = 10;
inline const QColor kTitleColour(0x28, 0x33, 0x49);
inline const QColor kLinkColour(0x0C, 0x7C, 0xF1);

inline QFont TitleFont() {
    return UiFont(QStringLiteral("Tahoma"), 13, true);
}
inline QFont LinkFont() {
    return UiFont(QStringLiteral("Tahoma"), 11);
}
inline QString TitleText() {
    return QStringLiteral("Norvel网盘");
}
inline QString LinkText() {
    return QStringLiteral("我收到的文件");
}

// The bounding box of the link text as drawn.
QRectF MeasureLink();

}  // namespace ui
