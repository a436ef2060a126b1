#pragma once

// Starting programs and web pages for the user: the updater, the settings program, the
// browser. The program runs on by itself; nothing waits for it to end.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Starts argv[0] (a path, or a name looked up on PATH) with the arguments, without a
// shell interpreting them, detached from this process: its standard input and output go
// to /dev/null and it is never this process's child to reap. False when it could not be
// started (missing, not executable).
bool StartDetached(const std::vector<std::string>& argv);

// Opens the address in the user's browser: the program named by NORVEL_OPEN_URL when set
// (tests use it to see what was opened), else $BROWSER, else xdg-open. False when nothing
// could be started.
bool OpenUrl(std::u16string_view url);

// The id of this process.
int CurrentProcessId();

}  // namespace platform
