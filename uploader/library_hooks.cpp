// Load and unload of libNorvel_flinga.so: the upload workers start when the library is
// loaded and are stopped and joined before it goes away, so that no thread runs in
// unloaded code.

#include "intake/queue.h"
#include "log/log.h"

namespace {

[[gnu::constructor]] void OnLibraryLoad() { intake::StartQueue(); }

// Runs at dlclose (and at exit, for a library still loaded) before the library's static
// objects are destroyed.
[[gnu::destructor]] void OnLibraryUnload() {
    intake::StopQueue();
    StopLogging();
}

}  // namespace
