#pragma once

// A named auto-reset event between processes of one user: a FIFO. Setting it writes one
// byte without blocking; waiting polls the FIFO and drains it, so any number of sets
// before a wait count as one, as with a Windows auto-reset event. The owner keeps the FIFO
// open for reading and writing, so a set is kept until the owner waits, and a setter can
// tell whether anybody owns the event at all.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/io_wait.h"
#include "platform/unique_fd.h"

namespace platform {

class FifoEvent {
public:
    FifoEvent() = default;

    // Opens the event at the path, creating the FIFO (mode 0600) when missing. Anything
    // else at the path (a file, a FIFO of another user) is replaced. Empty on failure.
    [[nodiscard]] static std::optional<FifoEvent> Open(const std::string& path);

    // Waits until the event is set and clears it.
    [[nodiscard]] WaitResult Wait(uint32_t timeoutMs, const CancelSignal* cancel = nullptr);
    void Set();

    // Sets the event at the path from any process. False when nobody holds it open (no
    // process owns the event) or the path is not a FIFO of this user.
    static bool SetNamed(const std::string& path);

private:
    explicit FifoEvent(int fd) : m_Fd(fd) {}
    UniqueFd m_Fd;
};

}  // namespace platform
