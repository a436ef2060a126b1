#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

std::optional<InstanceLock> InstanceLock::TryAcquire(const std::string& path, bool* busy) {
    if (busy)
        *busy = false;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (busy)
            *busy = errno == EWOULDBLOCK;
        ::close(fd);
        return std::nullopt;
    }
    // The holder's process id, for scripts that want to signal it.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        while (::pwrite(fd, pid.data(), pid.size(), 0) < 0 && errno == EINTR) {
        }
    }
    return InstanceLock(fd);
}

}  // namespace platform
