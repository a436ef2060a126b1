#pragma once

// The waits of the upload engine, process-wide. The defaults are the real ones; tests
// shorten them so that no test waits for them. The time-outs of the requests themselves
// are the transport's (net/transport_timings.h).

#include <cstdint>

namespace upload {

struct EngineTimings {
    uint32_t resendWaitMs = 10000;        // before each new attempt of a block that timed out
    uint32_t folderRetryWaitMs = 500;     // before asking again for a remote folder (busy)
    uint32_t speedLimitRefreshMs = 1000;  // how old the upload speed limit read may be
};

EngineTimings GetEngineTimings();
void SetEngineTimings(const EngineTimings& timings);

}  // namespace upload
