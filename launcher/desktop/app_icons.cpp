// Draws the program's icon for the desktop's icon theme at the usual sizes, with the skin
// generator's drawing kit, so that every size is drawn sharp rather than scaled from the
// skin's 64-pixel picture.
//
//   norvel-app-icons FOLDER     writes FOLDER/<N>x<N>/apps/norvel-flinga.png

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "art_kit.h"

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The picture of the skin's app_icon.png, in its 64-pixel design units.
QImage AppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    skin_art::AppIconArt(p);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : kSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString path = folder + QStringLiteral("/norvel-flinga.png");
        if (!QDir().mkpath(folder) || !AppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
