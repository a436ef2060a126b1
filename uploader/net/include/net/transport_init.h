#pragma once

// libcurl's process-wide set-up. The transport's handle pool runs it before it makes its
// first handle, so the library itself never needs to call it; a program that also makes
// libcurl handles of its own (the benchmarks) calls it before them. Safe to call any
// number of times from any thread; there is no clean-up (see curl_transfer.cpp).

namespace net {

void InitTransport();

}  // namespace net
