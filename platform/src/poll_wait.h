#pragma once

// The one wait of the socket and FIFO classes: a descriptor, a time-out and a cancel signal.

#include <poll.h>

#include <cstdint>

#include "platform/io_wait.h"

namespace platform {

// Waits until the descriptor has one of the events (POLLIN, POLLOUT); a hang-up or error
// on it counts as Ready, so that the following read or write reports it.
WaitResult WaitForDescriptor(int fd, short events, uint32_t timeoutMs, const CancelSignal* cancel);

}  // namespace platform
