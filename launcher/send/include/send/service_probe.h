#pragma once

// When a request to the service got no reply at all, the client looks for itself why:
// it connects to the host once and names the address and the cause. (A namespace of its
// own: the socket headers that curl includes declare a function named send.)

#include <cstdint>
#include <string>

namespace settings {
struct ServiceHost;
}

namespace probe {

// "name:port"; an IPv6 address in brackets.
std::string HostAddress(const settings::ServiceHost& host);

// Why the host cannot be reached: "connection refused", "timed out", "host name not
// found", or another short cause; empty when a connection could be made.
std::string WhyUnreachable(const settings::ServiceHost& host, uint32_t timeoutMs = 10000);

}  // namespace probe
