#pragma once

// Time-outs and connection retries of every request, process-wide. The defaults are the
// real ones; tests shorten them so that no test waits for the real time-outs.

#include <cstdint>

namespace net {

struct TransportTimings {
    uint32_t requestTimeoutMs = 20000;  // API requests: connect, and each wait for bytes to move
    uint32_t uploadTimeoutMs = 300000;  // the same for the upload engine's requests
    int connectRetries = 1;             // further attempts after a connection could not be made
};

TransportTimings GetTransportTimings();
void SetTransportTimings(const TransportTimings& timings);

// Initialises libcurl for the process; safe to call any number of times from any thread.
// The channel calls it before its first request; the library may call it at load time.
void InitTransport();

}  // namespace net
