#pragma once

// A lock that marks the one running instance of a program: an exclusive flock on a file.
// The system drops it when the process ends, however it ends, so a lock file left behind by
// a crashed process never keeps the next one from starting.

#include <optional>
#include <string>

namespace platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();  // releases the lock (the file stays)
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock on the file at the path (created with mode 0600; a symbolic link is
    // not followed) and writes this process's id into it. Empty when another process holds
    // it (*busy is then true) or the file cannot be opened (*busy false).
    [[nodiscard]] static std::optional<InstanceLock> TryAcquire(const std::string& path,
                                                                bool* busy = nullptr);

private:
    explicit InstanceLock(int fd) : m_Fd(fd) {}
    int m_Fd = -1;
};

}  // namespace platform
