#pragma once

// The login command: the client-identity check, the two login steps, then the login is
// stored as the login dialog stores it with "remember" ticked, so that the uploader
// restores it at its next start.

#include <iosfwd>
#include <string>

#include "send/login_steps.h"

namespace send {

// Logs the account in; messages go to err. Returns the exit status.
int RunLogin(const CLoginSteps* steps, const std::string& userName, const std::string& password,
             std::ostream& err);

}  // namespace send
