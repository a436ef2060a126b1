#pragma once

// File-system facts on wide (UTF-16) paths. Paths are converted to UTF-8 for the system;
// an empty path or one holding a NUL character names nothing (empty results, 0).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileAttributes {
    bool folder = false;
    bool hidden = false;    // the name starts with "." (and is not "." or "..")
    bool readOnly = false;  // no write permission for the owner
};

// Attributes of the file or folder itself (symbolic links are followed); empty when the
// path does not exist or cannot be examined.
[[nodiscard]] std::optional<FileAttributes> GetAttributes(std::u16string_view path);
// True when the path names a folder (or a symbolic link to one).
bool IsFolder(std::u16string_view path);

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
// Last modification time in seconds since 1970; empty when the path cannot be examined.
[[nodiscard]] std::optional<int64_t> ModificationTime(std::u16string_view path);

// The UTF-8 form of a wide path, for the standard library's file functions.
std::string NativePath(std::u16string_view path);

// The whole content of a regular file; empty when it cannot be read or holds more than
// maxBytes.
[[nodiscard]] std::optional<std::string> ReadWholeFile(std::u16string_view path,
                                                       uint64_t maxBytes = UINT64_MAX);
// Replaces the file with the bytes (mode 0600) so that it holds either the old or the
// new content whole, even after a crash. False when it could not be written (the old
// file is then unchanged).
bool WriteWholeFile(std::u16string_view path, std::string_view bytes);
// Renames a file, replacing `to`; false on failure.
bool RenameFile(std::u16string_view from, std::u16string_view to);
// Deletes a file (not a folder); false when it could not be deleted.
bool RemoveFile(std::u16string_view path);

// One entry of a folder.
struct FolderEntry {
    enum class Kind { File, Folder, Other };
    std::u16string name;
    Kind kind = Kind::Other;  // what the entry is, symbolic links followed
    bool link = false;        // the entry itself is a symbolic link
    // False when the system name is not valid UTF-8: `name` then holds replacement
    // characters and does not name the entry.
    bool exactName = true;
};

struct FolderListing {
    uint64_t device = 0;  // with inode: tells one folder from another, whatever its path
    uint64_t inode = 0;
    std::vector<FolderEntry> entries;  // without "." and "..", sorted by system name
};

// The entries of a folder (symbolic links to the folder itself are followed); empty
// when it is not a folder or cannot be read.
[[nodiscard]] std::optional<FolderListing> ListFolder(std::u16string_view path);

}  // namespace platform
