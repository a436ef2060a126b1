#pragma once

// Short-lived threads of the actions (user-information queries started by the windows).
// Nothing waits for them to finish, but each one is joined before the library unloads, so
// no code of an unloaded library ever runs.

#include <functional>

namespace actions {

// Runs the work on a thread of its own; false (nothing runs) once closed.
bool StartBackgroundWork(std::function<void()> work);
// Refuses new work and joins every thread started. Their requests are cut short by the
// process-wide abort event, which the shutdown sets first.
void CloseBackgroundWork();
// Accepts work again.
void OpenBackgroundWork();

}  // namespace actions
