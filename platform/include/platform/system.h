#pragma once

// Facts about the process and the machine, in the forms the design asks for.

#include <cstdint>
#include <string>

namespace platform {

// $XDG_RUNTIME_DIR/norvel, else /tmp/norvel-<uid>; created with mode 0700 when missing.
// A folder that exists but is not a private folder of this user (a link, another owner,
// looser mode) is refused: the result is then empty.
std::string RuntimeDir();

// The host name cut to at most 15 characters, as a Windows computer name; empty when it
// cannot be read.
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

// Name of the user running the process (the login name of the real uid).
std::u16string CurrentUserName();

}  // namespace platform
