#include "upload/engine_timings.h"

#include "tools/guarded.h"

namespace upload {
namespace {

tools::Guarded<EngineTimings> g_Timings;

}  // namespace

EngineTimings GetEngineTimings() {
    return g_Timings.Get();
}

void SetEngineTimings(const EngineTimings& timings) {
    g_Timings.Set(timings);
}

}  // namespace upload
