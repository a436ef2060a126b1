#pragma once

// Process-wide signal dispositions for programs with an event loop.

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into bytes on a pipe, so that an event loop can watch
// them and end in order. Returns the read end (non-blocking), the same one on every call,
// or -1 when it cannot be set up.
int WatchTerminationSignals();
// Reads what arrived on that descriptor; true when at least one signal was waiting.
bool TakeTerminationSignals(int fd);

// Writing to a closed pipe or socket fails with EPIPE instead of ending the process.
void IgnoreBrokenPipe();

}  // namespace platform
