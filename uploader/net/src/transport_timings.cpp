#include <curl/curl.h>

#include <mutex>

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

void InitTransport() {
    // libcurl is initialised once and never cleaned up: a clean-up while another thread
    // of the host program still uses libcurl would pull the ground from under it.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace net
