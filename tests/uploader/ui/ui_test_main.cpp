// The main of the user-interface suites: the private test environment first, then the
// QApplication on the offscreen platform (no display is needed or used).

#include <gmock/gmock.h>

#include <QApplication>

#include "support/test_env.h"

// Qt and fontconfig keep caches for the life of the process, which LeakSanitizer would
// report at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libQt6Widgets\n"
           "leak:qoffscreen\nleak:libglib\n";
}

namespace {

QtMessageHandler g_DefaultHandler = nullptr;

// The offscreen platform says for every window that it cannot raise it or apply its mask;
// the tests know.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    g_DefaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    norvel::test::InstallIsolatedEnvironment();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_DefaultHandler = qInstallMessageHandler(&QuietHandler);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
