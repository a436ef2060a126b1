#pragma once

// The pictures of the main window and its task rows, loaded once from the skin folder on
// first use (user-interface thread) and shared. A picture that fails to load is null and
// is drawn as nothing.

#include <QPixmap>
#include <string_view>

#include "ui/skin_files.h"

namespace ui {

struct CUiImages {
    QPixmap mainBackground, mainLogo, mainClose, appIcon;
    QPixmap rowBackground, rowWaiting, rowFailed, rowSuccess;
    QPixmap progressTrack, progressFill, rowRemove;
    QPixmap scrollTrack, thumbTop, thumbMiddle, thumbBottom;
};

const CUiImages& UiImages();
// Frees them (the exit sequence); the next use loads them again.
void FreeUiImages();

// One picture of the skin folder; null when it cannot be read.
QPixmap LoadSkinPicture(std::u16string_view file);

// The width and height a picture has, or the one the design gives it when it is missing.
int WidthOf(const QPixmap& picture, const skin::Picture& fallback);
int HeightOf(const QPixmap& picture, const skin::Picture& fallback);

}  // namespace ui
