#include "ui/ui_fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace ui {
namespace {

// Faces that look alike, best first. Names of the Windows fonts come first so that a
// machine that has them installed uses them.
const QStringList kSansFallback = {"DejaVu Sans", "Liberation Sans", "Noto Sans", "FreeSans"};
const QStringList kCjkFallback = {"Noto Sans CJK SC",    "Source Han Sans SC",  "WenQuanYi Zen Hei",
                                  "WenQuanYi Micro Hei", "Droid Sans Fallback", "AR PL UMing CN"};
const QStringList kCjkSerifFallback = {"Noto Serif CJK SC", "Source Han Serif SC",
                                       "AR PL UMing CN"};

QStringList Wanted(const QString& family) {
    if (family == QStringLiteral("宋体") || family == QStringLiteral("SimSun"))
        return QStringList{"SimSun", "宋体", "NSimSun"} + kCjkFallback + kCjkSerifFallback;
    if (family == QStringLiteral("仿宋体") || family == QStringLiteral("仿宋") ||
        family == QStringLiteral("FangSong"))
        return QStringList{"FangSong", "仿宋", "仿宋体"} + kCjkSerifFallback + kCjkFallback;
    if (family == QStringLiteral("Tahoma"))
        return QStringList{"Tahoma", "Verdana"} + kSansFallback + kCjkFallback;
    if (family == QStringLiteral("Arial"))
        return QStringList{"Arial", "Liberation Sans", "Helvetica"} + kSansFallback + kCjkFallback;
    return QStringList{family} + kSansFallback + kCjkFallback;
}

QStringList Installed(const QStringList& wanted) {
    QStringList found;
    for (const QString& name : wanted) {
        if (!found.contains(name) && QFontDatabase::hasFamily(name))
            found.push_back(name);
    }
    if (found.isEmpty())  // nothing known: the system's default face
        found.push_back(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    return found;
}

}  // namespace

QStringList FontFamilies(const QString& family) {
    // The font database does not change while the program runs; windows ask often.
    static QHash<QString, QStringList> cache;
    auto found = cache.find(family);
    if (found == cache.end())
        found = cache.insert(family, Installed(Wanted(family)));
    return *found;
}

QFont UiFont(const QString& family, int pixelSize, bool bold, bool underline) {
    QFont font;
    font.setFamilies(FontFamilies(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace ui
