#pragma once

// The fonts the windows ask for by their Windows names ("宋体", "仿宋体", "Tahoma",
// "Arial"). A family that is not installed falls back, at the same pixel size, to the
// nearest installed family: Latin faces to a sans-serif of the same build, the Chinese
// faces to an installed CJK face. Every font lists a CJK face after its own, so Chinese
// text is readable in any of them.

#include <QFont>
#include <QString>
#include <QStringList>

namespace ui {

// The installed families to use for the named one, in order of preference; never empty.
QStringList FontFamilies(const QString& family);

QFont UiFont(const QString& family, int pixelSize, bool bold = false, bool underline = false);

}  // namespace ui
