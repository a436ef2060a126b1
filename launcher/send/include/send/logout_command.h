#pragma once

// The logout command: the saved login is forgotten (the settings the login stored, not
// the user's other choices), and a running uploader, which holds the login in memory, is
// asked to save its task list and end, so that nothing goes on under the old account.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace send {

// Returns the exit status; messages go to err.
int RunLogout(const std::string& controlSocketPath, uint32_t timeoutMs, std::ostream& err);

}  // namespace send
