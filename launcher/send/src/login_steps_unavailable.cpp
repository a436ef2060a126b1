// This build has no account actions: the login command says so.

#include "send/login_steps.h"

namespace send {

const CLoginSteps* AccountLoginSteps() { return nullptr; }

}  // namespace send
