#pragma once

// Everything the generator makes, by path relative to the skin folder.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

namespace skin_art {

struct Picture {
    QString path;
    QImage image;
    bool carriesText = false;  // drawn with a font: its pixels depend on the fonts installed
};

struct TextFile {
    QString path;
    QByteArray bytes;  // UTF-8
};

struct Catalog {
    std::vector<Picture> pictures;
    std::vector<TextFile> texts;
    bool sharp = false;  // pictures drawn at twice the pixels, named "name@2x.png"

    void Add(QString path, QImage image, bool carriesText = false) {
        if (sharp)
            path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        pictures.push_back({std::move(path), std::move(image), carriesText});
    }
};

// The main window, its task rows and scroll bar.
void AddMainPictures(Catalog& catalog);
// The mini window, the tips popup, the message dialog, the about box and the menu (also
// in the sharp form for screens of twice the pixel density, as the theme folders).
void AddDialogPictures(Catalog& catalog);
// The skin folders "login" and "others": pictures and theme files.
void AddThemeFolders(Catalog& catalog);
// "UI.ini": the layout and texts of the dialogs.
void AddLayoutFile(Catalog& catalog);

}  // namespace skin_art
