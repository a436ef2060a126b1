#pragma once

// Puts a link on the desktop's clipboard and, where the desktop has one (X11), on the
// primary selection as well, as plain text.
//
// The text is owned by the application's clipboard object, not by the window that copied
// it, so it stays available after the window closes. When the application ends, Qt's X11
// backend hands what it owns to the clipboard manager, if the desktop runs one; on
// Wayland the compositor keeps nothing once the owner has gone.

#include <QString>

namespace ui {

void PutLinkOnClipboard(const QString& link);

}  // namespace ui
