// Load and unload of libNorvel_flinga.so. The upload workers and the control socket's
// server start when the library is loaded, and the account actions are joined to the
// settings and intake; when it is unloaded the server, the workers, the usage counter's
// thread and the background requests are stopped and joined before its code goes away,
// and the process-wide state is freed.
//
// At process exit a library that is still loaded is left alone: its static objects are
// already destroyed by then (the exit handlers run before the libraries' finalizers), and
// nothing is unmapped before the process ends. The host calls CloseAllWnd before it exits.
//
// The load hook may run before the static objects of the library's other files are
// initialized: whatever it installs there lives in objects made on first use (or
// initialized at compile time), never in a global that its initialization would reset.

#include <atomic>
#include <cstdlib>

#include "actions/actions.h"
#include "control/control_server.h"
#include "intake/intake_state.h"
#include "intake/queue.h"
#include "library_status.h"
#include "log/log.h"
#include "platform/text.h"
#include "platform/window.h"
#include "upload/driver.h"
#if NORVEL_WITH_UI
#include "actions/user_info.h"
#include "actions/visit_url.h"
#include "ui/qt_intake_ui.h"
#include "ui/ui_actions.h"
#endif

namespace {

std::atomic<bool> g_ProcessExiting{false};

void NoteProcessExit() {
    g_ProcessExiting = true;
}

[[gnu::constructor]] void OnLibraryLoad() {
    // Exit handlers run before the finalizer below at exit, and after it at dlclose.
    std::atexit(&NoteProcessExit);
    platform::PreloadTextConverters();
    upload::InstallUploadDriver();  // the per-file driver of the workers
    intake::StartQueue();
    actions::InstallActions();
#if NORVEL_WITH_UI
    // The host's QApplication may not exist yet: the windows install themselves when
    // SetUpLoadTask first runs inside it.
    intake::SetUiInstaller(&ui::InstallQtUi);
    ui::SetVisitUrlAction([](const std::u16string& folder) {
        actions::CGetVisitUrlAction(folder, actions::kVisitFolder).Execute();
    });
    ui::SetUserInfoAction([] { actions::RefreshUserInfo(actions::kRefreshQuiet); });
#endif
    if (!control::StartControlServer(&LibraryStatus))
        Log().Write(L3_KEY, u"CONTROL_Start", false,
                    u"DESC=the control socket is in use or cannot be made");
}

[[gnu::destructor]] void OnLibraryUnload() {
    if (g_ProcessExiting)
        return;
    control::StopControlServer();  // gives up a message still waiting for its window
#if NORVEL_WITH_UI
    // Windows and their background threads go first: nothing of the library may run
    // from the host's event loop once the code is unmapped.
    intake::SetUiInstaller(nullptr);
    ui::UninstallQtUi();
#endif
    intake::ReleaseQueueState();  // stops and joins the workers first; sets the abort event
    actions::StopActions();       // whose requests the abort event has cut short
    intake::ReleaseIntakeState();
    platform::ReleaseWindowTable();
    StopLogging();
}

}  // namespace
