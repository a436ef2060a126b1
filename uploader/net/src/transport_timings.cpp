#include "net/transport_timings.h"
#include "tools/guarded.h"

namespace net {
namespace {

tools::Guarded<TransportTimings> g_Timings;

}  // namespace

TransportTimings GetTransportTimings() {
    return g_Timings.Get();
}

void SetTransportTimings(const TransportTimings& timings) {
    g_Timings.Set(timings);
}

}  // namespace net
