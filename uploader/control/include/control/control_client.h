#pragma once

#include <cstdint>
#include <string>

#include "control/control_protocol.h"

namespace control {

// Sends the request to the control socket at the path and returns the reply. The reply's
// error tells why there is no result: NoServer when nothing listens there, NoAnswer when
// no reply came within timeoutMs, BadReply for a reply that cannot be read, or the
// server's own error.
ControlReply CallControl(const std::string& socketPath, const ControlRequest& request,
                         uint32_t timeoutMs);

}  // namespace control
