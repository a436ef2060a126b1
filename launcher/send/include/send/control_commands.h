#pragma once

// The message and status commands: requests on the library's control socket.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "control/control_protocol.h"

namespace send {

// Sends the request and prints the window's result (message) or the library's status
// (status: "engine=0|1", "main-window=0|1", then a "task=ID STATE PATH" line for every
// task, fetched page by page, with PATH escaped as docs/launcher.md says) on out; errors
// go to err. Returns the exit status.
// Each state is named ("waiting", "complete", ...) unless rawStates asks for its number.
int RunControlCommand(const control::ControlRequest& request, const std::string& socketPath,
                      uint32_t timeoutMs, std::ostream& out, std::ostream& err,
                      bool rawStates = false);

// The name of a task state in status lines; the number itself for an unknown one.
std::string TaskStateName(int32_t state);

// Asks the main upload window to save the task list and end the uploader (the outside
// message WM_SAVE_AND_EXIT), then waits up to timeoutMs for the control socket to go
// away. Nothing running is no failure.
int RunQuit(const std::string& socketPath, uint32_t timeoutMs, std::ostream& err);

// Tells a running uploader that a login was saved, so that the requests that waited for
// one go on now. Nothing to tell when none runs, or it has no main window yet (it reads
// the saved login when it starts); other failures are mentioned on err.
void TellUploaderOfLogin(const std::string& socketPath, uint32_t timeoutMs, std::ostream& err);

}  // namespace send
