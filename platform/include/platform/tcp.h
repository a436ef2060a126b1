#pragma once

// Control over TCP connections of this process that a library owns and does not expose.

#include <cstdint>

namespace platform {

// Shuts down (both directions) the connected TCP socket of this process whose local
// port is localPort and whose peer port is peerPort; the descriptor stays open for its
// owner, whose next read or write fails. False when no such socket was found.
bool ShutdownConnection(uint16_t localPort, uint16_t peerPort);

}  // namespace platform
