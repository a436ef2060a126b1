#include "launcher/qt_translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include "support/test_env.h"

namespace {

QString CancelText() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

}  // namespace

TEST(QtTranslations, QtsOwnTextsFollowTheLocaleAndStayEnglishWithoutACatalogue) {
    int argc = 1;
    char name[] = "qt_translations_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    // A locale without a catalogue, or no folder that has one: nothing is installed.
    EXPECT_FALSE(launcher::InstallQtTranslations(application, QLocale(QLocale::Zulu),
                                                 launcher::QtTranslationFolders()));
    norvel::test::TempDir empty;
    EXPECT_FALSE(launcher::InstallQtTranslations(
        application, QLocale(QLocale::Chinese, QLocale::China), {empty.Path().c_str()}));
    EXPECT_EQ(CancelText(), "Cancel");

    bool found = false;
    for (const QString& folder : launcher::QtTranslationFolders())
        found = found || QFile::exists(folder + "/qtbase_zh_CN.qm");
    if (!found)
        GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
    // The folder list is searched in order: a missing folder first does not matter.
    QStringList folders = launcher::QtTranslationFolders();
    folders.prepend(QString::fromStdString(empty.File("missing")));
    EXPECT_TRUE(launcher::InstallQtTranslations(
        application, QLocale(QLocale::Chinese, QLocale::China), folders));
    EXPECT_EQ(CancelText(), QString::fromUtf8("取消"));
}
