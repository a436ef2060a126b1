#pragma once

// A regular file opened for reading at any offset, as the upload engine reads the file it
// sends: digests, blocks and segments all read through one open file, so that they see
// the same file even when its path is renamed or removed meanwhile.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/file_stamp.h"

namespace platform {

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the file, closing any file held before. Returns 0, or the system's error
    // number: ENOENT (or ENOTDIR) when the path names nothing, EISDIR for a folder, EINVAL
    // for anything else that is not a regular file (a FIFO is never waited for).
    [[nodiscard]] int Open(std::u16string_view path);
    bool IsOpen() const { return m_Fd >= 0; }
    void Close();

    // The stamp of the open file now; empty when none is open.
    [[nodiscard]] std::optional<FileStamp> Version() const;
    // The version found when the file was opened.
    const FileStamp& OpenedVersion() const { return m_Opened; }
    // True when the file was written to (or its size changed) since it was opened, or
    // when it can no longer be examined.
    bool ChangedSinceOpen() const;
    // Reads up to count bytes at offset: fewer only at the end of the file. -1 on a read
    // error or when no file is open.
    [[nodiscard]] int64_t ReadAt(uint64_t offset, void* buffer, size_t count) const;

private:
    int m_Fd = -1;
    FileStamp m_Opened;
};

// True for the error numbers of InputFile::Open that mean "there is no such file".
bool IsNotFoundError(int error);

}  // namespace platform
