#include <curl/curl.h>

#include <mutex>

#include "net/transport_timings.h"

namespace net {
namespace {

std::mutex g_TimingsLock;
TransportTimings g_Timings;  // guarded by g_TimingsLock

}  // namespace

TransportTimings GetTransportTimings() {
    std::lock_guard lock(g_TimingsLock);
    return g_Timings;
}

void SetTransportTimings(const TransportTimings& timings) {
    std::lock_guard lock(g_TimingsLock);
    g_Timings = timings;
}

void InitTransport() {
    // libcurl is initialised once and never cleaned up: a clean-up while another thread
    // of the host program still uses libcurl would pull the ground from under it.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace net
