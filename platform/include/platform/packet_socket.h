#pragma once

// Local message sockets (Unix domain, SOCK_SEQPACKET): every message arrives whole and
// alone, as on a Windows message-mode pipe. Only processes of this user can connect when
// the socket lies in the private runtime folder; the listener also reports the peer's uid.
//
// Time-outs are in milliseconds; kInfinite (platform/event.h) waits for ever. A wait given
// a CancelSignal ends with WaitResult::Cancelled as soon as it is set.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/io_wait.h"
#include "platform/unique_fd.h"

namespace platform {

class PacketConnection {
public:
    PacketConnection() = default;

    // Connects to the socket at the path, retrying while its queue of waiting connections
    // is full, up to timeoutMs. Empty on failure, with the system's error number in *error
    // (ENOENT: no socket there; ECONNREFUSED: nobody listens on it any more).
    [[nodiscard]] static std::optional<PacketConnection> Connect(const std::string& path,
                                                                 uint32_t timeoutMs,
                                                                 int* error = nullptr);

    // Receives the next message into the buffer. On Ready, *size is the message's full
    // length, more than buffer.size() when it was cut short (the rest is lost), and 0 when
    // the peer has closed the connection in order. Failed when it was reset (the other end
    // went away while it still had messages of ours to read).
    [[nodiscard]] WaitResult Receive(std::span<char> buffer, size_t* size, uint32_t timeoutMs,
                                     const CancelSignal* cancel = nullptr);
    // Sends one message whole, waiting up to timeoutMs for room.
    [[nodiscard]] WaitResult Send(std::string_view message, uint32_t timeoutMs,
                                  const CancelSignal* cancel = nullptr);

    // Tells the other end that nothing more will be sent: its next Receive gives the end
    // of the stream once it has read what came before. Receiving goes on.
    void ShutdownWrite();

    // True when the process at the other end runs as this process's user.
    [[nodiscard]] bool PeerIsThisUser() const;

    bool IsOpen() const { return static_cast<bool>(m_Fd); }
    void Close() { m_Fd.Close(); }

private:
    friend class PacketListener;
    explicit PacketConnection(int fd) : m_Fd(fd) {}
    UniqueFd m_Fd;
};

class PacketListener {
public:
    PacketListener() = default;
    // Closes the socket and removes its file, unless another listener has replaced it.
    ~PacketListener() { Close(); }
    PacketListener(PacketListener&& other) noexcept = default;
    PacketListener& operator=(PacketListener&& other) noexcept;

    // Listens at the path with mode 0600. Whatever lies at the path is replaced in one
    // step (a stale socket of a crashed process, say): the caller must own the path, for
    // example by holding a lock. Empty on failure, with the error number in *error.
    [[nodiscard]] static std::optional<PacketListener> Listen(const std::string& path,
                                                              int* error = nullptr);

    // Takes the next waiting connection.
    [[nodiscard]] WaitResult Accept(PacketConnection& connection, uint32_t timeoutMs,
                                    const CancelSignal* cancel = nullptr);

    const std::string& Path() const { return m_Path; }
    void Close();

private:
    UniqueFd m_Fd;
    std::string m_Path;
    uint64_t m_Device = 0;  // with m_Inode: the socket file this listener made
    uint64_t m_Inode = 0;
};

}  // namespace platform
