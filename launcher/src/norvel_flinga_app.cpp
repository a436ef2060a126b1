#include "launcher/norvel_flinga_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/control_protocol.h"
#include "launcher/install_setup.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_paths.h"
#include "launcher/library_binding.h"
#include "launcher/norvel_flinga_dlg.h"
#include "launcher/pipe_listener.h"
#include "launcher/qt_translations.h"
#include "launcher/termination_watch.h"
#include "platform/instance_lock.h"
#include "platform/qt_message_loop.h"
#include "platform/signals.h"
#include "platform/system.h"
#include "platform/text.h"

namespace launcher {
namespace {

// Without a display the launcher still runs (for a user logged in without one, and for
// scripts); the library's windows then live off screen.
void ChooseQtPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool HasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void ShowLibraryMissing(const std::string& reason) {
    std::cerr << kLibraryMissingMessage << "\n" << reason << std::endl;
    if (HasDisplay())
        QMessageBox::critical(nullptr, QStringLiteral("Norvel_Flinga"),
                              QString::fromUtf8(kLibraryMissingMessage));
}

// No argument, or "-shortcut" first: the user started the program. The command line is
// read as the system gave it: the application object takes its own options out of it.
bool StartedByUser(int argc, char** argv) {
    return argc <= 1 || std::string_view(argv[1]) == kShortcutArgument;
}

// Runs the deletions that the library's windows left for the event loop, so that no
// object of the library is deleted after it is unloaded.
void DeleteLeftOverObjects() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What a run holds, in the order it is taken; the exit releases it in reverse.
struct Session {
    std::optional<CLibraryBinding> library;
    std::unique_ptr<CPipeListener> listener;
    std::unique_ptr<CQtMessageLoop> loop;
    std::unique_ptr<CNorvelFlingaDlg> dialog;
    std::unique_ptr<CTerminationWatch> termination;

    // The exit: the window goes first, so that a batch being sent to it returns and the
    // listener can end; then the library closes its windows and is unloaded.
    ~Session() {
        if (listener)
            listener->RequestStop();
        if (dialog)
            dialog->DestroyWindow();
        if (listener)
            listener->Stop();
        if (library && library->CloseAllWnd())
            library->CloseAllWnd()();
        DeleteLeftOverObjects();
        if (termination)
            termination->Join();
        dialog.reset();
        loop.reset();
        if (library)
            library->Unload();
    }
};

int Serve(Session& session, const std::string& runtimeDir, bool startedByUser) {
    if (startedByUser)
        session.library->SetUpLoadTask()(nullptr, platform::kNoWindow);  // the mini window

    PipeListenerOptions options;
    options.socketPath = PipePath(runtimeDir, platform::WideToUtf8(platform::CurrentUserName()));
    options.wakeEventPath = WakeEventPath(runtimeDir);
    options.report = &ReportLauncherFailure;
    session.listener = std::make_unique<CPipeListener>(std::move(options));
    if (!session.listener->StartPipeListener()) {
        ReportLauncherFailure(u"LAUNCHER_Start", u"DESC=the plug-in socket cannot be made");
        return kExitStartFailed;
    }
    session.loop = std::make_unique<CQtMessageLoop>();
    session.dialog =
        std::make_unique<CNorvelFlingaDlg>(*session.loop, session.library->SetUpLoadTask());
    // A batch that came before the window existed is delivered now.
    session.listener->SetHostWindow(session.dialog->Handle());
    session.termination = std::make_unique<CTerminationWatch>(
        session.dialog->Handle(), control::ControlSocketPath(runtimeDir));
    session.dialog->DoModal();
    return kExitNormal;
}

// Everything that needs the application object, which lives exactly this long.
int RunApplication(int argc, char** argv, const std::string& runtimeDir,
                   const std::string& launcherPath) {
    const bool startedByUser = StartedByUser(argc, argv);
    ChooseQtPlatform();
    QApplication application(argc, argv);
    // Only the library's request ends the launcher, not the last of its windows closing.
    QApplication::setQuitOnLastWindowClosed(false);
    // The desktop entry's name: on Wayland it is the windows' application id, which ties
    // them to the entry's name and icon (on X11 the window class does, StartupWMClass).
    QGuiApplication::setDesktopFileName(QStringLiteral("norvel-flinga"));
    // Without a catalogue for the locale Qt keeps its English texts.
    InstallQtTranslations(application, QLocale(), QtTranslationFolders());
    Session session;
    std::string error;
    session.library =
        CLibraryBinding::Load(FolderOf(launcherPath) + "/" + std::string(kLibraryFile), &error);
    if (!session.library) {
        ShowLibraryMissing(error);
        return kExitLibraryMissing;
    }
    return Serve(session, runtimeDir, startedByUser);
}

void CheckNothingRuns() {
    const int threads = platform::ThreadCount();
    if (threads > 1)
        std::cerr << "Norvel_Flinga: " << threads - 1 << " threads still run at exit" << std::endl;
}

}  // namespace

int CNorvelFlingaApp::Run(int argc, char** argv) {
    platform::IgnoreBrokenPipe();
    // From now on a termination signal waits for the event loop instead of ending the
    // process half-way through the start.
    platform::WatchTerminationSignals();
    const std::string runtimeDir = platform::RuntimeDir();
    if (runtimeDir.empty())
        return kExitStartFailed;
    bool busy = false;
    auto instance = platform::InstanceLock::TryAcquire(InstanceLockPath(runtimeDir), &busy);
    if (!instance)
        return busy ? kExitNormal : kExitStartFailed;  // another copy serves the user
    if (!CreateLauncherKeys())
        return kExitStartFailed;
    const std::string launcherPath = platform::ExecutablePath();
    StartUpdater(LauncherInstallPath(launcherPath));

    const int status = RunApplication(argc, argv, runtimeDir, launcherPath);
    StopLauncherLog();
    CheckNothingRuns();
    return status;
}

}  // namespace launcher
