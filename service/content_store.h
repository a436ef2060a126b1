#pragma once

// File contents under the data folder, stored by their MD5:
//   <data>/content/<first two digits>/<md5>        a finished content, stored whole
//   <data>/content/<first two digits>/<md5>.parts  a finished content stored as its parts:
//                                                  one "<part md5> <size>" line each, in
//                                                  order; every part is stored whole
//   <data>/partial/<session>[-<segment>].part      contents still arriving
//   <data>/tmp/                                    files being written
// A content or parts file appears only by renaming a complete, verified file into place,
// so a killed service never leaves a half-written content under a digest. Stored contents
// are never changed or removed, so a parts file's parts stay. Names inside the data folder
// come only from digests checked by IsMd5Hex() and from numbers.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "service/file_piece.h"

namespace norvel::service {

// One part of a content stored as parts: a content of its own.
struct CContentPart {
    std::string fileId;  // the part's MD5
    uint64_t size = 0;

    bool operator==(const CContentPart&) const = default;
};

class CContentStore {
public:
    // Creates the folders below dataDir; empty on success, else the reason.
    std::string Open(const std::string& dataDir);

    // The file of a content stored whole (which may not exist).
    std::string ContentPath(const std::string& md5) const;
    std::string PartsPath(const std::string& md5) const;
    // The files holding the content of md5, in order, whichever way it is stored; empty
    // when it is not held complete (a parts file one of whose parts is missing or of
    // another size is not).
    std::optional<FilePieces> Pieces(const std::string& md5) const;
    bool HasContent(const std::string& md5) const { return Pieces(md5).has_value(); }
    // index < 0: the partial file of a whole-file session; else that segment's.
    std::string PartialPath(int64_t session, int index) const;
    std::string NewTempPath() const;

    // Renames a complete file into place as the content of md5 (replacing nothing that
    // is there already). False when the rename failed.
    bool Adopt(const std::string& from, const std::string& md5) const;
    // Stores the content of md5 as its parts, all held already; a part held as parts is
    // replaced by its own parts, so every listed part is a content stored whole. True when
    // stored or held already.
    bool AdoptParts(const std::vector<CContentPart>& parts, const std::string& md5) const;
    void Remove(const std::string& path) const;

private:
    std::optional<std::vector<CContentPart>> ReadParts(const std::string& md5) const;
    std::optional<CFilePiece> WholeFile(const std::string& md5) const;

    std::string m_Root;
};

std::optional<uint64_t> FileSizeOf(const std::string& path);

// Reads a file in pieces.
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
