#include "service/content_reader.h"

#include <algorithm>
#include <vector>

#include "service/content_store.h"
#include "service/digest.h"

namespace norvel::service {
namespace {

constexpr size_t kIoBuffer = 1 << 20;

}  // namespace

CContentReader::CContentReader() = default;
CContentReader::~CContentReader() = default;

bool CContentReader::Open(FilePieces pieces, uint64_t offset) {
    m_Pieces = std::move(pieces);
    m_Index = 0;
    while (m_Index < m_Pieces.size() && offset >= m_Pieces[m_Index].size) {
        offset -= m_Pieces[m_Index].size;
        ++m_Index;
    }
    if (m_Index == m_Pieces.size()) {
        m_Left = 0;
        return offset == 0;  // exactly at the end: nothing to read, but no fault
    }
    return OpenPiece(offset);
}

bool CContentReader::OpenPiece(uint64_t offset) {
    m_File = std::make_unique<CFileReader>();
    m_Left = m_Pieces[m_Index].size - offset;
    return m_File->Open(m_Pieces[m_Index].path, offset);
}

size_t CContentReader::Read(char* buffer, size_t capacity) {
    while (m_Left == 0) {
        if (m_Index + 1 >= m_Pieces.size())
            return 0;
        ++m_Index;
        if (!OpenPiece(0))
            return 0;
    }
    const size_t want = size_t(std::min<uint64_t>(m_Left, capacity));
    const size_t got = m_File ? m_File->Read(buffer, want) : 0;
    if (got == 0) {
        m_Pieces.clear();  // a file shorter than its piece ends the content here
        m_Left = 0;
    }
    m_Left -= got;
    return got;
}

bool AddContentRange(FilePieces pieces, uint64_t offset, std::optional<uint64_t> length,
                     CMd5Stream& md5) {
    CContentReader reader;
    if (!reader.Open(std::move(pieces), offset))
        return false;
    std::vector<char> buffer(kIoBuffer);
    uint64_t remaining = length.value_or(UINT64_MAX);
    while (remaining > 0) {
        const size_t got =
            reader.Read(buffer.data(), size_t(std::min<uint64_t>(remaining, buffer.size())));
        if (got == 0)
            break;
        md5.Update(buffer.data(), got);
        remaining -= got;
    }
    return !length || remaining == 0;
}

std::optional<std::string> ContentRangeMd5(FilePieces pieces, uint64_t offset,
                                           std::optional<uint64_t> length) {
    CMd5Stream md5;
    if (!AddContentRange(std::move(pieces), offset, length, md5))
        return std::nullopt;
    return md5.FinishHex();
}

std::optional<std::string> FileRangeMd5(const std::string& path, uint64_t offset,
                                        std::optional<uint64_t> length) {
    const auto size = FileSizeOf(path);
    if (!size)
        return std::nullopt;
    return ContentRangeMd5({CFilePiece{path, *size}}, offset, length);
}

}  // namespace norvel::service
