#pragma once

// Control over TCP connections of this process that a library owns and does not expose.

#include <cstdint>

namespace platform {

// Aborts the connected TCP socket of this process whose local port is localPort and whose
// peer port is peerPort: both directions are shut down and the owner's later close resets
// the connection (SO_LINGER 0), so a peer still sending learns of it at once. The
// descriptor stays open for its owner, whose next read or write fails. False when no
// such socket was found.
bool AbortConnection(uint16_t localPort, uint16_t peerPort);

}  // namespace platform
