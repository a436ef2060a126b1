#include "launcher/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace launcher {

QStringList QtTranslationFolders() {
    QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    const QString system = QStringLiteral("/usr/share/qt6/translations");
    if (!folders.contains(system))
        folders << system;
    return folders;
}

bool InstallQtTranslations(QCoreApplication& application, const QLocale& locale,
                           const QStringList& folders) {
    for (const char* catalogue : {"qtbase", "qt"}) {
        for (const QString& folder : folders) {
            auto* translator = new QTranslator(&application);
            if (translator->load(locale, QString::fromLatin1(catalogue), QStringLiteral("_"),
                                 folder) &&
                QCoreApplication::installTranslator(translator))
                return true;
            delete translator;
        }
    }
    return false;
}

}  // namespace launcher
