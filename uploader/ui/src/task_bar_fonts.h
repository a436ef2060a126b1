#pragma once

// The fonts of the task rows.

#include "ui/ui_fonts.h"

namespace ui {

inline QFont RowFont() {
    return UiFont(QStringLiteral("Tahoma"), 11);
}  // the file name
inline QFont StatusFont() {
    return UiFont(QStringLiteral("仿宋体"), 12);
}
inline QFont LinkHoverFont() {
    return UiFont(QStringLiteral("仿宋体"), 12, false, true);
}
inline QFont PercentFont() {
    return UiFont(QStringLiteral("Arial"), 12);
}

}  // namespace ui
