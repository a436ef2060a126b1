#pragma once

#include <cstdint>

namespace platform {

// What tells one version of a file from another: a replaced file has another inode (as
// long as the old one is held open, its number cannot be reused), a file written to
// another size or modification time.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeSeconds = 0;
    int64_t mtimeNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

}  // namespace platform
