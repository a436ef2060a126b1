// Load and unload of libNorvel_flinga.so. When the library is loaded the composition
// root (intake/library.h) is made with the real seams (the upload engine's driver, the
// account actions, the windows' installer), the upload workers and the control socket's
// server start; when it is unloaded the server, the windows, the workers, the usage
// counter's thread and the background requests are stopped and joined before its code
// goes away, and the root is destroyed.
//
// At process exit a library that is still loaded is left alone: its static objects are
// already destroyed by then (the exit handlers run before the libraries' finalizers), and
// nothing is unmapped before the process ends. The host calls CloseAllWnd before it exits.
//
// The load hook may run before the static objects of the library's other files are
// initialized; it puts nothing into them: everything it makes belongs to the root, which
// it makes and owns.

#include <atomic>
#include <cstdlib>
#include <utility>

#include "actions/actions.h"
#include "actions/norvel_counter.h"
#include "control/control_server.h"
#include "intake/library.h"
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
#endif

namespace {

std::atomic<bool> g_ProcessExiting{false};
constinit intake::CUploaderLibrary* g_Root = nullptr;  // made and freed only by the hooks

void NoteProcessExit() {
    g_ProcessExiting = true;
}

intake::LibrarySeams RealSeams() {
    intake::LibrarySeams seams;
    seams.uploadDriver = &upload::UploadFile;
    seams.usageCounter = &actions::CountUse;
    seams.loginConfirmation.query = &actions::ConfirmSavedLogin;
#if NORVEL_WITH_UI
    // The host's QApplication may not exist yet: the windows install themselves when
    // SetUpLoadTask first runs inside it.
    seams.installUi = &ui::InstallQtUi;
    seams.visitUrl = [](const std::u16string& folder) {
        actions::CGetVisitUrlAction(folder, actions::kVisitFolder).Execute();
    };
    seams.userInfo = [] { actions::RefreshUserInfo(actions::kRefreshQuiet); };
#endif
    return seams;
}

[[gnu::constructor]] void OnLibraryLoad() {
    // Exit handlers run before the finalizer below at exit, and after it at dlclose.
    std::atexit(&NoteProcessExit);
    platform::PreloadTextConverters();
    g_Root = new intake::CUploaderLibrary(RealSeams());
    intake::StartQueue();
    actions::StartActions();
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
    g_Root->SetSeam(&intake::LibrarySeams::installUi, intake::UiInstaller{nullptr});
    ui::UninstallQtUi();
#endif
    intake::StopQueue();     // joins the workers first; sets the abort event
    actions::StopActions();  // whose requests the abort event has cut short
    delete std::exchange(g_Root, nullptr);
    platform::ReleaseWindowTable();
    StopLogging();
}

}  // namespace
