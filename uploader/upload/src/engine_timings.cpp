#include "upload/engine_timings.h"

#include <mutex>

namespace upload {
namespace {

std::mutex g_TimingsLock;
EngineTimings g_Timings;  // guarded by g_TimingsLock

}  // namespace

EngineTimings GetEngineTimings() {
    std::lock_guard lock(g_TimingsLock);
    return g_Timings;
}

void SetEngineTimings(const EngineTimings& timings) {
    std::lock_guard lock(g_TimingsLock);
    g_Timings = timings;
}

}  // namespace upload
