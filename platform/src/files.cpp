#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/text.h"
#include "system_path.h"

namespace platform {
namespace {

// The last component of a path, trailing slashes ignored.
std::string_view LastName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsHiddenName(std::string_view name) {
    // "." and ".." refer to folders by position; they are not names of hidden files.
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

std::optional<struct statvfs> FileSystemOf(std::u16string_view path) {
    const auto native = SystemPath(path);
    struct statvfs info {};
    if (!native || ::statvfs(native->c_str(), &info) != 0)
        return std::nullopt;
    if (info.f_frsize == 0)
        info.f_frsize = info.f_bsize;
    return info;
}

}  // namespace

std::optional<FileAttributes> GetAttributes(std::u16string_view path) {
    const auto native = SystemPath(path);
    struct stat st {};
    if (!native || ::stat(native->c_str(), &st) != 0)
        return std::nullopt;
    FileAttributes attributes;
    attributes.folder = S_ISDIR(st.st_mode);
    attributes.hidden = IsHiddenName(LastName(*native));
    attributes.readOnly = (st.st_mode & S_IWUSR) == 0;
    return attributes;
}

bool IsFolder(std::u16string_view path) {
    const auto attributes = GetAttributes(path);
    return attributes && attributes->folder;
}

std::optional<uint64_t> FileSize(std::u16string_view path) {
    const auto native = SystemPath(path);
    struct stat st {};
    if (!native || ::stat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

uint64_t FreeDiskBytes(std::u16string_view path) {
    const auto info = FileSystemOf(path);
    return info ? static_cast<uint64_t>(info->f_bavail) * info->f_frsize : 0;
}

uint64_t TotalDiskBytes(std::u16string_view path) {
    const auto info = FileSystemOf(path);
    return info ? static_cast<uint64_t>(info->f_blocks) * info->f_frsize : 0;
}

std::optional<int64_t> CreationTime(std::u16string_view path) {
    const auto native = SystemPath(path);
    if (!native)
        return std::nullopt;
    struct statx info {};
    if (::statx(AT_FDCWD, native->c_str(), 0, STATX_BTIME | STATX_CTIME, &info) == 0) {
        if (info.stx_mask & STATX_BTIME)
            return info.stx_btime.tv_sec;
        if (info.stx_mask & STATX_CTIME)
            return info.stx_ctime.tv_sec;
    }
    struct stat st {};  // kernels or file systems without statx
    if (::stat(native->c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<int64_t>(st.st_ctime);
}

std::optional<int64_t> ModificationTime(std::u16string_view path) {
    const auto native = SystemPath(path);
    struct stat st {};
    if (!native || ::stat(native->c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<int64_t>(st.st_mtime);
}

std::string NativePath(std::u16string_view path) {
    return WideToUtf8(path);
}

}  // namespace platform
