#include "platform/fifo_event.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "poll_wait.h"

namespace platform {
namespace {

constexpr mode_t kFifoMode = 0600;

bool IsOwnFifo(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && st.st_uid == ::geteuid();
}

// Opens the FIFO at the path for reading and writing; -1 when the path holds something
// else or cannot be opened.
int OpenOwnFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), kFifoMode) != 0 && errno != EEXIST)
        return -1;
    // Opening a FIFO for reading and writing never blocks and keeps it alive on its own.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    if (!IsOwnFifo(fd) || ::fchmod(fd, kFifoMode) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void WriteOneByte(int fd) {
    const char byte = 1;
    // EAGAIN: the FIFO is full of earlier sets; the event is set already.
    while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

void Drain(int fd) {
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got > 0)
            continue;
        if (got < 0 && errno == EINTR)
            continue;
        return;
    }
}

}  // namespace

std::optional<FifoEvent> FifoEvent::Open(const std::string& path) {
    int fd = OpenOwnFifo(path);
    if (fd < 0) {
        // Something else lies there (a file, a link, a FIFO left by another user): the
        // folder is ours, so it is replaced.
        ::unlink(path.c_str());
        fd = OpenOwnFifo(path);
    }
    if (fd < 0)
        return std::nullopt;
    return FifoEvent(fd);
}

WaitResult FifoEvent::Wait(uint32_t timeoutMs, const CancelSignal* cancel) {
    const WaitResult waited = WaitForDescriptor(m_Fd.Get(), POLLIN, timeoutMs, cancel);
    if (waited == WaitResult::Ready)
        Drain(m_Fd.Get());
    return waited;
}

void FifoEvent::Set() {
    WriteOneByte(m_Fd.Get());
}

bool FifoEvent::SetNamed(const std::string& path) {
    // Without a reader the open fails (ENXIO): nobody owns the event.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool own = IsOwnFifo(fd);
    if (own)
        WriteOneByte(fd);
    ::close(fd);
    return own;
}

}  // namespace platform
