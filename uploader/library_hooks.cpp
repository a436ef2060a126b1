// Load and unload of libNorvel_flinga.so. The upload workers start when the library is
// loaded; when it is unloaded they are stopped and joined before its code goes away, and
// the process-wide state is freed.
//
// At process exit a library that is still loaded is left alone: its static objects are
// already destroyed by then (the exit handlers run before the libraries' finalizers), and
// nothing is unmapped before the process ends. The host calls CloseAllWnd before it exits.

#include <atomic>
#include <cstdlib>

#include "intake/intake_state.h"
#include "intake/queue.h"
#include "log/log.h"
#include "platform/window.h"
#include "upload/driver.h"

namespace {

std::atomic<bool> g_ProcessExiting{false};

void NoteProcessExit() { g_ProcessExiting = true; }

[[gnu::constructor]] void OnLibraryLoad() {
    // Exit handlers run before the finalizer below at exit, and after it at dlclose.
    std::atexit(&NoteProcessExit);
    upload::InstallUploadDriver();  // the per-file driver of the workers
    intake::StartQueue();
}

[[gnu::destructor]] void OnLibraryUnload() {
    if (g_ProcessExiting)
        return;
    intake::ReleaseQueueState();  // stops and joins the workers first
    intake::ReleaseIntakeState();
    platform::ReleaseWindowTable();
    StopLogging();
}

}  // namespace
