#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/event.h"
#include "platform/io_wait.h"
#include "poll_wait.h"

namespace platform {

Deadline::Deadline(uint32_t timeoutMs)
    : m_Forever(timeoutMs == kInfinite),
      m_End(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}

uint32_t Deadline::MillisecondsLeft() const {
    if (m_Forever)
        return kInfinite;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          m_End - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

// An eventfd whose counter is non-zero while the signal is set: readable, so poll sees it.
CancelSignal::CancelSignal() : m_Fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelSignal::~CancelSignal() {
    if (m_Fd >= 0)
        ::close(m_Fd);
}

void CancelSignal::Set() {
    const uint64_t one = 1;
    // A counter that cannot take more is set already.
    while (::write(m_Fd, &one, sizeof(one)) < 0 && errno == EINTR) {
    }
}

void CancelSignal::Reset() {
    uint64_t value = 0;
    while (::read(m_Fd, &value, sizeof(value)) < 0 && errno == EINTR) {
    }
}

bool CancelSignal::IsSet() const {
    return Wait(0);
}

bool CancelSignal::Wait(uint32_t timeoutMs) const {
    return WaitForDescriptor(m_Fd, POLLIN, timeoutMs, nullptr) == WaitResult::Ready;
}

WaitResult WaitForDescriptor(int fd, short events, uint32_t timeoutMs, const CancelSignal* cancel) {
    if (fd < 0 || (cancel && cancel->NativeHandle() < 0))
        return WaitResult::Failed;
    const Deadline deadline(timeoutMs);
    pollfd entries[2] = {{fd, events, 0}, {cancel ? cancel->NativeHandle() : -1, POLLIN, 0}};
    for (;;) {
        const uint32_t left = deadline.MillisecondsLeft();
        const int wait =
            left == kInfinite ? -1 : static_cast<int>(std::min<uint32_t>(left, INT_MAX));
        const int ready = ::poll(entries, cancel ? 2 : 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return WaitResult::Failed;
        if (cancel && (entries[1].revents & POLLIN))
            return WaitResult::Cancelled;
        if (entries[0].revents != 0)
            return WaitResult::Ready;
        if (ready == 0 && deadline.Passed())
            return WaitResult::TimedOut;
    }
}

}  // namespace platform
