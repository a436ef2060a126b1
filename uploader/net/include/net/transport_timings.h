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

}  // namespace net
