#pragma once

// Qt's own texts (standard buttons, the context menus of edit fields, file dialogs) in the
// user's language: Qt's translation catalogues for the locale are installed into the
// application, which the library's windows share.

#include <QStringList>

class QCoreApplication;
class QLocale;

namespace launcher {

// Where the catalogues are looked for: Qt's own translations folder, then the system's
// (a Qt built elsewhere may name a folder that does not exist here).
QStringList QtTranslationFolders();

// Installs "qtbase" for the locale from the first folder that has it, else the "qt"
// collection. False when neither is found: Qt's English texts stay, nothing else changes.
bool InstallQtTranslations(QCoreApplication& application, const QLocale& locale,
                           const QStringList& folders);

}  // namespace launcher
