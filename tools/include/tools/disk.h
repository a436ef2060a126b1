#pragma once

// File-system figures on wide (UTF-16) paths.

#include <cstdint>
#include <string_view>

namespace tools {

// Free space available to the caller on the file system that holds the path (or its
// nearest existing parent folder), in units of 1,048,576 bytes; 0 on failure.
uint64_t GetFreeDiskMB(std::u16string_view path);

// Size of the regular file at path (symbolic links followed); 0 when there is none.
int64_t GetFileSize64(std::u16string_view path);

}  // namespace tools
