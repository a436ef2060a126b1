#pragma once

// A lock that marks the one running instance of a program: an exclusive flock on a file.
// The system drops it when the process ends, however it ends, so a lock file left behind by
// a crashed process never keeps the next one from starting.

#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace platform {

class InstanceLock {
public:
    // Destroying the object releases the lock (the file stays).
    InstanceLock() = default;

    // Takes the lock on the file at the path (created with mode 0600; a symbolic link is
    // not followed) and writes this process's id into it. Empty when another process holds
    // it (*busy is then true) or the file cannot be opened (*busy false).
    [[nodiscard]] static std::optional<InstanceLock> TryAcquire(const std::string& path,
                                                                bool* busy = nullptr);

private:
    explicit InstanceLock(int fd) : m_Fd(fd) {}
    UniqueFd m_Fd;  // closing the only descriptor drops the lock
};

}  // namespace platform
