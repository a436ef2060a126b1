#pragma once

// Whole-file reads and crash-safe replacement of files, for the platform layer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_stamp.h"
#include "platform/unique_fd.h"

struct stat;

namespace platform {

// The stamp of what stat or fstat found.
FileStamp StampOf(const struct stat& st);

std::optional<FileStamp> StampOfPath(const std::string& path);
std::optional<FileStamp> StampOfFile(int fd);

// The rest of an open file; empty on a read error.
std::optional<std::string> ReadRest(int fd);

// The file that a path names, symbolic links followed; the path itself when it does
// not exist yet (or is a dangling link).
std::string FollowLinks(const std::string& path);

// Writes every byte to the descriptor, resuming after interruptions; false on an error.
bool WriteAll(int fd, std::string_view bytes);

// True when the path names a folder (symbolic links followed).
bool IsFolder(const std::string& path);

// The folder part of a path ("." for a bare name).
std::string ParentFolder(const std::string& path);

// Creates the folder and its missing parents with the given mode; true when it exists.
bool MakeFolders(const std::string& path, unsigned mode);

// Writes the bytes to a new file (mode 0600) beside `path`, flushes it to the disk and
// renames it over `path`, so that `path` always holds the old or the new content whole.
// The parent folders are created (mode 0700) when missing. Returns the new file, open;
// an invalid descriptor on failure (`path` is then unchanged).
UniqueFd ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace platform
