#pragma once

// File-system facts on wide (UTF-16) paths. Paths are converted to UTF-8 for the system;
// an empty path or one holding a NUL character names nothing (empty results, 0).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct FileAttributes {
    bool folder = false;
    bool hidden = false;    // the name starts with "." (and is not "." or "..")
    bool readOnly = false;  // no write permission for the owner
};

// Attributes of the file or folder itself (symbolic links are followed); empty when the
// path does not exist or cannot be examined.
[[nodiscard]] std::optional<FileAttributes> GetAttributes(std::u16string_view path);

// Size of a regular file; empty when it is missing or not a regular file.
[[nodiscard]] std::optional<uint64_t> FileSize(std::u16string_view path);

// Bytes free for the caller on the file system that holds the path (statvfs);
// 0 when it cannot be read.
uint64_t FreeDiskBytes(std::u16string_view path);
// Total bytes of that file system; 0 when it cannot be read.
uint64_t TotalDiskBytes(std::u16string_view path);

// Creation time in seconds since 1970: the birth time where the file system keeps it,
// else the change time; empty when the path cannot be examined.
[[nodiscard]] std::optional<int64_t> CreationTime(std::u16string_view path);

// The UTF-8 form of a wide path, for the standard library's file functions.
std::string NativePath(std::u16string_view path);

}  // namespace platform
