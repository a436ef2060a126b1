#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace norvel::service {

// Writes into a file at a position, creating the file when missing. Small pieces are
// gathered into writes of a megabyte. Those writes go past the page cache (O_DIRECT)
// where the file system allows it and the position is aligned: a stored upload is read
// rarely, and copying each byte into freshly allocated cache pages cost the service more
// processor time than receiving and digesting it. Elsewhere, and for the unaligned end of
// the bytes, the writes are ordinary ones.
class CFileWriter {
public:
    CFileWriter() = default;
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    bool Open(const std::string& path, uint64_t offset);
    bool Write(const char* data, size_t length);
    // Writes what is gathered and closes; false when any write failed.
    bool Close();

    // Whether the writes go past the page cache (for tests).
    bool Direct() const { return m_Direct; }

private:
    struct FreeAligned {
        void operator()(char* p) const { std::free(p); }
    };

    bool Flush();
    bool WriteOut(const char* data, size_t length);
    void StopDirect();

    int m_Fd = -1;
    uint64_t m_Offset = 0;  // the file position of the first gathered byte
    size_t m_Used = 0;      // bytes gathered in m_Buffer
    bool m_Direct = false;
    bool m_Failed = false;
    std::unique_ptr<char, FreeAligned> m_Buffer;  // aligned for direct writes, kept
};

}  // namespace norvel::service
