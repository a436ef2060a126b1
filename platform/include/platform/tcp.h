#pragma once

// TCP on the loopback interface for helper servers (tests start small scripted servers
// with it), and control over TCP connections of this process that a library owns and
// does not expose.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// Aborts the connected TCP socket of this process whose local port is localPort and whose
// peer port is peerPort: both directions are shut down and the owner's later close resets
// the connection (SO_LINGER 0), so a peer still sending learns of it at once. The
// descriptor stays open for its owner, whose next read or write fails. False when no
// such socket was found.
bool AbortConnection(uint16_t localPort, uint16_t peerPort);

// One accepted connection; closed on destruction. Movable, not copyable.
class TcpConnection {
public:
    // What Read() returns besides a byte count.
    static constexpr int64_t kClosed = 0;     // the peer closed its side
    static constexpr int64_t kError = -1;     // the connection failed
    static constexpr int64_t kTimedOut = -2;  // nothing arrived in time

    TcpConnection() = default;
    explicit TcpConnection(int fd) : m_Fd(fd) {}
    ~TcpConnection();
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    bool IsOpen() const { return m_Fd >= 0; }
    // Waits up to timeoutMs for bytes and reads at most size of them: the count, or one
    // of the values above.
    int64_t Read(void* data, size_t size, uint32_t timeoutMs);
    // Writes every byte (blocking); false when the connection failed.
    bool WriteAll(const void* data, size_t size);
    // Closes the connection; with reset, the peer sees a reset rather than an orderly end.
    void Close(bool reset = false);

private:
    int m_Fd = -1;
};

// A listening socket on 127.0.0.1; closed on destruction.
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port); false on failure.
    [[nodiscard]] bool Listen(uint16_t port = 0);
    // The port listened on; 0 before Listen().
    uint16_t Port() const { return m_Port; }
    // Waits up to timeoutMs for a connection; empty when none came.
    std::optional<TcpConnection> Accept(uint32_t timeoutMs);
    void Close();

private:
    int m_Fd = -1;
    uint16_t m_Port = 0;
};

}  // namespace platform
