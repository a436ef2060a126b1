#pragma once

// Facts about the process and the machine, in the forms the design asks for.

#include <cstdint>
#include <string>

namespace platform {

// $XDG_RUNTIME_DIR/norvel (when that variable names an existing folder), else
// /tmp/norvel-<uid>; created with mode 0700 when missing. A folder that is a symbolic
// link, not a folder or owned by another user is refused: the result is then empty. Our
// own folder with a looser mode is set back to 0700 (empty when that fails).
std::string RuntimeDir();

// The host name up to its first dot, cut to at most 15 characters, as a Windows computer
// name; empty when it cannot be read.
std::u16string ComputerName();

// Milliseconds since the machine booted (CLOCK_BOOTTIME).
uint64_t MillisecondsSinceBoot();

// Seconds since 1970 (UTC) now.
int64_t UnixTimeNow();

// Full path of the running program (/proc/self/exe), UTF-8; empty when unreadable.
std::string ExecutablePath();

// Full path of the executable or shared library that holds the given address (dladdr),
// UTF-8; empty when unknown. Pass the address of a function of the module asked for.
std::string ModulePath(const void* addressInModule);

// The kernel's id of the calling thread (as shown by ps and in /proc).
int64_t CurrentThreadId();

// The number of threads of this process; -1 when it cannot be read.
int ThreadCount();

// Name of the user running the process: the login name of the real uid, else $USER,
// else empty.
std::u16string CurrentUserName();

}  // namespace platform
