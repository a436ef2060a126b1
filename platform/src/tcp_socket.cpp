#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/tcp.h"

namespace platform {
namespace {

// Waits for the events on fd; true when they came within timeoutMs.
bool WaitFor(int fd, short events, uint32_t timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, int(timeoutMs));
        if (ready >= 0)
            return ready > 0;
        if (errno != EINTR)
            return false;
    }
}

}  // namespace

TcpConnection::~TcpConnection() {
    Close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : m_Fd(std::exchange(other.m_Fd, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
    if (this != &other) {
        Close();
        m_Fd = std::exchange(other.m_Fd, -1);
    }
    return *this;
}

int64_t TcpConnection::Read(void* data, size_t size, uint32_t timeoutMs) {
    if (m_Fd < 0)
        return kError;
    if (!WaitFor(m_Fd, POLLIN, timeoutMs))
        return kTimedOut;
    for (;;) {
        const ssize_t got = ::recv(m_Fd, data, size, 0);
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return kError;
    }
}

bool TcpConnection::WriteAll(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (m_Fd >= 0 && size > 0) {
        const ssize_t sent = ::send(m_Fd, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= size_t(sent);
    }
    return m_Fd >= 0;
}

void TcpConnection::Close(bool reset) {
    if (m_Fd < 0)
        return;
    if (reset) {
        const linger abortive{1, 0};
        ::setsockopt(m_Fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    ::close(std::exchange(m_Fd, -1));
}

TcpListener::~TcpListener() {
    Close();
}

bool TcpListener::Listen(uint16_t port) {
    Close();
    m_Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_Fd < 0)
        return false;
    const int on = 1;
    ::setsockopt(m_Fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_Fd, 64) != 0 ||
        ::getsockname(m_Fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        Close();
        return false;
    }
    m_Port = ntohs(address.sin_port);
    return true;
}

std::optional<TcpConnection> TcpListener::Accept(uint32_t timeoutMs) {
    if (m_Fd < 0 || !WaitFor(m_Fd, POLLIN, timeoutMs))
        return std::nullopt;
    const int fd = ::accept4(m_Fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    return TcpConnection(fd);
}

void TcpListener::Close() {
    if (m_Fd >= 0)
        ::close(std::exchange(m_Fd, -1));
    m_Port = 0;
}

}  // namespace platform
