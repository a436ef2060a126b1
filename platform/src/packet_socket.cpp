#include "platform/packet_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/event.h"
#include "poll_wait.h"

namespace platform {
namespace {

constexpr int kBacklog = 16;  // connections that may wait while the listener serves one
constexpr auto kConnectRetry = std::chrono::milliseconds(20);
constexpr mode_t kSocketMode = 0600;

// Fills a socket address; false when the path does not fit.
bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path) ||
        path.find('\0') != std::string::npos)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

int SetError(int* error, int value) {
    if (error)
        *error = value;
    return -1;
}

// A socket bound under a temporary name next to the path, made private and put in place
// by one rename: no client ever sees it with looser permissions, and a stale file at the
// path is replaced atomically.
int BindPrivately(const std::string& path, int* error) {
    const std::string temporary = path + ".new";
    sockaddr_un address{};
    sockaddr_un temporaryAddress{};
    if (!MakeAddress(path, address) || !MakeAddress(temporary, temporaryAddress))
        return SetError(error, ENAMETOOLONG);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SetError(error, errno);
    ::unlink(temporary.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&temporaryAddress), sizeof(temporaryAddress)) != 0 ||
        ::chmod(temporary.c_str(), kSocketMode) != 0 || ::listen(fd, kBacklog) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int failure = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return SetError(error, failure);
    }
    return fd;
}

}  // namespace

// --- PacketConnection ---

std::optional<PacketConnection> PacketConnection::Connect(const std::string& path,
                                                          uint32_t timeoutMs, int* error) {
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        SetError(error, ENAMETOOLONG);
        return std::nullopt;
    }
    const Deadline deadline(timeoutMs);
    for (;;) {
        PacketConnection connection(
            ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!connection.IsOpen()) {
            SetError(error, errno);
            return std::nullopt;
        }
        if (::connect(connection.m_Fd.Get(), reinterpret_cast<sockaddr*>(&address),
                      sizeof(address)) == 0)
            return connection;
        // EAGAIN: the listener's queue is full; it frees up as the listener accepts.
        const int failure = errno;
        if ((failure != EAGAIN && failure != EINTR) || deadline.Passed()) {
            SetError(error, failure);
            return std::nullopt;
        }
        std::this_thread::sleep_for(kConnectRetry);
    }
}

WaitResult PacketConnection::Receive(std::span<char> buffer, size_t* size, uint32_t timeoutMs,
                                     const CancelSignal* cancel) {
    for (;;) {
        const WaitResult waited = WaitForDescriptor(m_Fd.Get(), POLLIN, timeoutMs, cancel);
        if (waited != WaitResult::Ready)
            return waited;
        // MSG_TRUNC: the result is the message's real length even when it did not fit.
        const ssize_t got =
            ::recv(m_Fd.Get(), buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return WaitResult::Failed;  // ECONNRESET: the other end went away unread
        *size = static_cast<size_t>(got);
        return WaitResult::Ready;
    }
}

WaitResult PacketConnection::Send(std::string_view message, uint32_t timeoutMs,
                                  const CancelSignal* cancel) {
    for (;;) {
        const ssize_t sent =
            ::send(m_Fd.Get(), message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return WaitResult::Ready;  // a message is sent whole or not at all
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return WaitResult::Failed;
        const WaitResult waited = WaitForDescriptor(m_Fd.Get(), POLLOUT, timeoutMs, cancel);
        if (waited != WaitResult::Ready)
            return waited;
    }
}

void PacketConnection::ShutdownWrite() {
    if (m_Fd)
        ::shutdown(m_Fd.Get(), SHUT_WR);
}

bool PacketConnection::PeerIsThisUser() const {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    return ::getsockopt(m_Fd.Get(), SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           credentials.uid == ::geteuid();
}

// --- PacketListener ---

PacketListener& PacketListener::operator=(PacketListener&& other) noexcept {
    if (this != &other) {
        Close();
        m_Fd = std::move(other.m_Fd);
        m_Path = std::move(other.m_Path);
        m_Device = other.m_Device;
        m_Inode = other.m_Inode;
    }
    return *this;
}

std::optional<PacketListener> PacketListener::Listen(const std::string& path, int* error) {
    const int fd = BindPrivately(path, error);
    if (fd < 0)
        return std::nullopt;
    PacketListener listener;
    listener.m_Fd = UniqueFd(fd);
    listener.m_Path = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        listener.m_Device = st.st_dev;
        listener.m_Inode = st.st_ino;
    }
    return listener;
}

WaitResult PacketListener::Accept(PacketConnection& connection, uint32_t timeoutMs,
                                  const CancelSignal* cancel) {
    for (;;) {
        const WaitResult waited = WaitForDescriptor(m_Fd.Get(), POLLIN, timeoutMs, cancel);
        if (waited != WaitResult::Ready)
            return waited;
        const int fd = ::accept4(m_Fd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            connection = PacketConnection(fd);
            return WaitResult::Ready;
        }
        // The client may have gone between the poll and the accept: wait for the next.
        if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED)
            continue;
        return WaitResult::Failed;
    }
}

void PacketListener::Close() {
    if (!m_Fd)
        return;
    struct stat st {};
    // Remove the file only while it is still ours: a newer listener may have replaced it.
    if (::lstat(m_Path.c_str(), &st) == 0 && st.st_dev == m_Device && st.st_ino == m_Inode)
        ::unlink(m_Path.c_str());
    m_Fd.Close();
}

}  // namespace platform
