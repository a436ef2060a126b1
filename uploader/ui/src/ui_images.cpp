#include "ui/ui_images.h"

#include <QString>
#include <utility>

#include "settings/ini.h"

namespace ui {
namespace {

// Pictures cannot outlive the application object: not destroyed with the static objects,
// freed by FreeUiImages.
CUiImages*& ImagesSlot() {
    static CUiImages* images = nullptr;
    return images;
}

QPixmap Load(const skin::Picture& picture) {
    return LoadSkinPicture(picture.file);
}

CUiImages* LoadAll() {
    auto* images = new CUiImages;
    images->mainBackground = Load(skin::kMainBackground);
    images->mainLogo = Load(skin::kMainLogo);
    images->mainClose = Load(skin::kMainClose);
    images->appIcon = Load(skin::kAppIcon);
    images->rowBackground = Load(skin::kRowBackground);
    images->rowWaiting = Load(skin::kRowWaiting);
    images->rowFailed = Load(skin::kRowFailed);
    images->rowSuccess = Load(skin::kRowSuccess);
    images->progressTrack = Load(skin::kProgressTrack);
    images->progressFill = Load(skin::kProgressFill);
    images->rowRemove = Load(skin::kRowRemove);
    images->scrollTrack = Load(skin::kScrollTrack);
    images->thumbTop = Load(skin::kThumbTop);
    images->thumbMiddle = Load(skin::kThumbMiddle);
    images->thumbBottom = Load(skin::kThumbBottom);
    return images;
}

}  // namespace

const CUiImages& UiImages() {
    CUiImages*& images = ImagesSlot();
    if (!images)
        images = LoadAll();
    return *images;
}

void FreeUiImages() {
    delete std::exchange(ImagesSlot(), nullptr);
}

QPixmap LoadSkinPicture(std::u16string_view file) {
    const std::u16string folder = settings::SkinFolder();
    QPixmap picture;
    if (folder.empty())
        return picture;  // the host program's folder is unknown
    const std::u16string path = folder + std::u16string(file);
    picture.load(QString::fromUtf16(path.data(), static_cast<qsizetype>(path.size())));
    return picture;
}

int WidthOf(const QPixmap& picture, const skin::Picture& fallback) {
    return picture.isNull() ? fallback.width : qRound(picture.deviceIndependentSize().width());
}

int HeightOf(const QPixmap& picture, const skin::Picture& fallback) {
    return picture.isNull() ? fallback.height : qRound(picture.deviceIndependentSize().height());
}

}  // namespace ui
