// Draws the pictures of the skin and writes its theme and layout files.
//
//   norvel-skin-art FOLDER      writes everything into FOLDER (the skin folder,
//                               skinwnd-res/uploader/ of the repository)
//
// Change the drawing here and run the target regenerate_skin to re-make the files.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

#include "art_kit.h"
#include "catalog.h"

namespace {

bool WriteAll(const QString& folder, const skin_art::Catalog& catalog) {
    for (const auto& picture : catalog.pictures) {
        const QString path = folder + "/" + picture.path;
        QDir().mkpath(QFileInfo(path).path());
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    for (const auto& file : catalog.texts) {
        QFile out(folder + "/" + file.path);
        QDir().mkpath(QFileInfo(out).path());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(file.bytes) != file.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    skin_art::Catalog catalog;
    skin_art::AddMainPictures(catalog);
    skin_art::AddDialogPictures(catalog);
    skin_art::AddThemeFolders(catalog);
    skin_art::AddLayoutFile(catalog);
    // The dialogs' pictures once more at twice the pixels, for screens that need them.
    skin_art::Catalog sharp;
    sharp.sharp = true;
    skin_art::SetDrawScale(2);
    skin_art::AddDialogPictures(sharp);
    skin_art::AddThemeFolders(sharp);
    skin_art::SetDrawScale(1);
    for (auto& picture : sharp.pictures)
        catalog.pictures.push_back(std::move(picture));
    if (!WriteAll(QString::fromLocal8Bit(argv[1]), catalog))
        return 1;
    std::printf("%zu pictures and %zu text files written to %s\n", catalog.pictures.size(),
                catalog.texts.size(), argv[1]);
    return 0;
}
