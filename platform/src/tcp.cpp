#include "platform/tcp.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace {

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

bool Matches(int fd, uint16_t localPort, uint16_t peerPort) {
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
        return false;
    return PortOf(local) == localPort && PortOf(peer) == peerPort;
}

}  // namespace

bool AbortConnection(uint16_t localPort, uint16_t peerPort) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir))
            continue;
        if (Matches(int(fd), localPort, peerPort)) {
            const linger abortive{1, 0};
            setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            shutdown(int(fd), SHUT_RDWR);
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace platform
