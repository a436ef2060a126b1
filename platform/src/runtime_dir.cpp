#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/system.h"
#include "platform/unique_fd.h"

namespace platform {
namespace {

constexpr mode_t kPrivateMode = 0700;

std::string RuntimeBase() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (xdg && xdg[0] == '/' && ::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(xdg) + "/norvel";
    return "/tmp/norvel-" + std::to_string(::getuid());
}

// Creates the folder when missing and checks, on the opened folder itself so that it
// cannot be swapped between the checks, that it is a real folder of this user that
// nobody else can enter. A looser mode on our own folder is tightened.
bool EnsurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kPrivateMode) != 0 && errno != EEXIST)
        return false;
    // O_NOFOLLOW refuses a symbolic link, O_DIRECTORY anything but a folder.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 07777) != kPrivateMode && ::fchmod(fd.Get(), kPrivateMode) != 0)
        return false;
    return true;
}

}  // namespace

std::string RuntimeDir() {
    std::string path = RuntimeBase();
    return EnsurePrivateFolder(path) ? path : std::string();
}

}  // namespace platform
