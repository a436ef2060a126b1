#pragma once

// The config command: reads and writes the settings a user may change without editing
// the settings file, always through the settings store. Unknown keys and values the
// program could not use are refused before anything is written.

#include <iosfwd>
#include <string>

#include "send/send_command.h"

namespace send {

// Returns the exit status; the value read goes to out, messages to err.
int RunConfigCommand(ConfigAction action, const std::string& key, const std::string& value,
                     std::ostream& out, std::ostream& err);

}  // namespace send
