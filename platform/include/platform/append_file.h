#pragma once

// Private files and folders for output that only its owner may read (the log files carry
// user names and paths).

#include <cstdint>
#include <string_view>

namespace platform {

// A file opened for appending. A file that does not exist yet is created with mode 0600;
// an existing file keeps its mode. A symbolic link is not followed (the open fails).
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens the file, closing any file held before. Returns 0, or the system's error
    // number when the file cannot be opened (no file is held then).
    [[nodiscard]] int Open(std::u16string_view path);
    bool IsOpen() const { return m_Fd >= 0; }
    // Size of the open file in bytes; 0 when none is open.
    uint64_t Size() const;
    // Appends every byte; false on a write error or when no file is open.
    bool Append(std::string_view bytes);
    void Close();

private:
    int m_Fd = -1;
};

// Creates one folder with mode 0700; its parent must exist. True when the path names a
// folder afterwards (an existing folder is left as it is).
bool CreatePrivateFolder(std::u16string_view path);

}  // namespace platform
