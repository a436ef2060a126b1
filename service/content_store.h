#pragma once

// File contents under the data folder, stored by their MD5:
//   <data>/content/<first two digits>/<md5>   finished contents (whole files and segments)
//   <data>/partial/<session>[-<segment>].part  contents still arriving
//   <data>/tmp/                                files being assembled
// A content file appears only by renaming a complete, verified file into place, so a
// killed service never leaves a half-written content under a digest. Names inside the
// data folder come only from digests checked by IsMd5Hex() and from numbers.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace norvel::service {

class CContentStore {
public:
    // Creates the folders below dataDir; empty on success, else the reason.
    std::string Open(const std::string& dataDir);

    std::string ContentPath(const std::string& md5) const;
    bool HasContent(const std::string& md5) const;
    // index < 0: the partial file of a whole-file session; else that segment's.
    std::string PartialPath(int64_t session, int index) const;
    std::string NewTempPath() const;

    // Renames a complete file into place as the content of md5 (replacing nothing that
    // is there already). False when the rename failed.
    bool Adopt(const std::string& from, const std::string& md5) const;
    void Remove(const std::string& path) const;

private:
    std::string m_Root;
};

// MD5 of `length` bytes of a file from `offset` (to the end when length is empty); empty
// when the file cannot be read or is shorter.
std::optional<std::string> FileRangeMd5(const std::string& path, uint64_t offset,
                                        std::optional<uint64_t> length = std::nullopt);
std::optional<uint64_t> FileSizeOf(const std::string& path);

// Writes into a file at a position, creating the file when missing; buffered.
class CFileWriter {
public:
    CFileWriter() = default;
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    bool Open(const std::string& path, uint64_t offset);
    bool Write(const char* data, size_t length);
    // Flushes and closes; false when any write failed.
    bool Close();

private:
    std::FILE* m_File = nullptr;
    bool m_Failed = false;
};

// Reads a file in pieces; used to stream downloads and to copy segments together.
class CFileReader {
public:
    CFileReader() = default;
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    bool Open(const std::string& path, uint64_t offset = 0);
    // Bytes read into the buffer; 0 at the end or on failure.
    size_t Read(char* buffer, size_t capacity);

private:
    std::FILE* m_File = nullptr;
};

}  // namespace norvel::service
