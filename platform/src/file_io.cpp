#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace platform {
namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr unsigned kPrivateFolder = 0700;

// Makes a rename in the folder survive a crash; a failure leaves the data intact.
void SyncFolder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.Get());
}

}  // namespace

FileStamp StampOf(const struct stat& st) {
    return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                     static_cast<uint64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec),
                     static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStamp> StampOfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return StampOf(st);
}

std::optional<FileStamp> StampOfFile(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return StampOf(st);
}

std::optional<std::string> ReadRest(int fd) {
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

std::string FollowLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr),
                                                       &std::free);
    return target ? std::string(target.get()) : path;
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeFolders(const std::string& path, unsigned mode) {
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        // An existing folder may also answer EACCES or EROFS rather than EEXIST.
        if (::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST &&
            !IsFolder(part))
            return false;
        if (end == std::string::npos)
            break;
    }
    return IsFolder(path);
}

UniqueFd ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string folder = ParentFolder(path);
    if (!MakeFolders(folder, kPrivateFolder))
        return UniqueFd();
    std::string temporary = path + ".XXXXXX";
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file)
        return UniqueFd();
    const bool written = ::fchmod(file.Get(), kPrivateFile) == 0 && WriteAll(file.Get(), bytes) &&
                         ::fsync(file.Get()) == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
        return UniqueFd();
    }
    SyncFolder(folder);
    return file;
}

}  // namespace platform
