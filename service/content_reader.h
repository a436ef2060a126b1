#pragma once

// Reads a content across the files that hold it, as if they were one file, and takes
// digests of ranges of it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "service/file_piece.h"

namespace norvel::service {

class CFileReader;
class CMd5Stream;

class CContentReader {
public:
    CContentReader();
    ~CContentReader();
    CContentReader(const CContentReader&) = delete;
    CContentReader& operator=(const CContentReader&) = delete;

    // Positions the reader at `offset` of the pieces' bytes; false when a file cannot be
    // opened or the offset lies beyond the end.
    bool Open(FilePieces pieces, uint64_t offset = 0);
    // Bytes read into the buffer, never across two pieces; 0 at the end or when a file
    // turns out shorter than its piece.
    size_t Read(char* buffer, size_t capacity);

private:
    bool OpenPiece(uint64_t offset);

    FilePieces m_Pieces;
    size_t m_Index = 0;
    uint64_t m_Left = 0;  // bytes of the current piece not read yet
    std::unique_ptr<CFileReader> m_File;
};

// Adds `length` bytes of a content from `offset` (to the end when length is empty) to the
// digest; false when its files cannot be read or hold fewer bytes.
bool AddContentRange(FilePieces pieces, uint64_t offset, std::optional<uint64_t> length,
                     CMd5Stream& md5);
// MD5 of `length` bytes of a content from `offset` (to the end when length is empty);
// empty when its files cannot be read or hold fewer bytes.
std::optional<std::string> ContentRangeMd5(FilePieces pieces, uint64_t offset,
                                           std::optional<uint64_t> length = std::nullopt);
// The same over one file.
std::optional<std::string> FileRangeMd5(const std::string& path, uint64_t offset,
                                        std::optional<uint64_t> length = std::nullopt);

}  // namespace norvel::service
