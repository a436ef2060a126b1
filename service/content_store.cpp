#include "service/content_store.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "service/digest.h"
#include "service/random.h"

namespace fs = std::filesystem;

namespace norvel::service {

std::string CContentStore::Open(const std::string& dataDir) {
    m_Root = dataDir;
    std::error_code ec;
    for (const char* sub : {"content", "partial", "tmp"}) {
        fs::create_directories(fs::path(dataDir) / sub, ec);
        if (ec)
            return "cannot create " + (fs::path(dataDir) / sub).string() + ": " + ec.message();
    }
    // Files left in tmp/ by a killed service were never adopted: nothing refers to them.
    for (const auto& entry : fs::directory_iterator(fs::path(dataDir) / "tmp", ec))
        fs::remove(entry.path(), ec);
    return {};
}

std::string CContentStore::ContentPath(const std::string& md5) const {
    return m_Root + "/content/" + md5.substr(0, 2) + "/" + md5;
}

std::string CContentStore::PartsPath(const std::string& md5) const {
    return ContentPath(md5) + ".parts";
}

std::optional<CFilePiece> CContentStore::WholeFile(const std::string& md5) const {
    if (!IsMd5Hex(md5))
        return std::nullopt;
    std::string path = ContentPath(md5);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    const auto size = fs::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return CFilePiece{std::move(path), uint64_t(size)};
}

std::optional<std::vector<CContentPart>> CContentStore::ReadParts(const std::string& md5) const {
    if (!IsMd5Hex(md5))
        return std::nullopt;
    std::ifstream in(PartsPath(md5));
    if (!in)
        return std::nullopt;
    std::vector<CContentPart> parts;
    CContentPart part;
    while (in >> part.fileId >> part.size) {
        if (!IsMd5Hex(part.fileId))
            return std::nullopt;
        parts.push_back(part);
    }
    if (!in.eof() || parts.empty())
        return std::nullopt;
    return parts;
}

std::optional<FilePieces> CContentStore::Pieces(const std::string& md5) const {
    if (auto whole = WholeFile(md5))
        return FilePieces{std::move(*whole)};
    const auto parts = ReadParts(md5);
    if (!parts)
        return std::nullopt;
    FilePieces pieces;
    for (const CContentPart& part : *parts) {
        auto piece = WholeFile(part.fileId);
        if (!piece || piece->size != part.size)
            return std::nullopt;
        pieces.push_back(std::move(*piece));
    }
    return pieces;
}

std::string CContentStore::PartialPath(int64_t session, int index) const {
    std::string name = std::to_string(session);
    if (index >= 0) {
        // Appended in two steps: GCC 12 warns falsely (-Wrestrict) on "-" + to_string().
        name += '-';
        name += std::to_string(index);
    }
    return m_Root + "/partial/" + name + ".part";
}

std::string CContentStore::NewTempPath() const {
    return m_Root + "/tmp/" + RandomHex(12);
}

bool CContentStore::Adopt(const std::string& from, const std::string& md5) const {
    if (!IsMd5Hex(md5))
        return false;
    std::error_code ec;
    const fs::path target = ContentPath(md5);
    fs::create_directories(target.parent_path(), ec);
    if (HasContent(md5)) {
        fs::remove(from, ec);
        return true;
    }
    fs::rename(from, target, ec);
    return !ec;
}

bool CContentStore::AdoptParts(const std::vector<CContentPart>& parts,
                               const std::string& md5) const {
    if (!IsMd5Hex(md5) || parts.empty())
        return false;
    if (HasContent(md5))
        return true;
    std::string text;
    const auto list = [&text](const CContentPart& part) {
        text += part.fileId + ' ' + std::to_string(part.size) + '\n';
    };
    for (const CContentPart& part : parts) {
        if (WholeFile(part.fileId)) {
            list(part);
            continue;
        }
        const auto inner = ReadParts(part.fileId);
        if (!inner)
            return false;
        std::for_each(inner->begin(), inner->end(), list);
    }
    const std::string temp = NewTempPath();
    {
        std::ofstream out(temp, std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            Remove(temp);
            return false;
        }
    }
    std::error_code ec;
    const fs::path target = PartsPath(md5);
    fs::create_directories(target.parent_path(), ec);
    fs::rename(temp, target, ec);
    if (ec)
        Remove(temp);
    return !ec && HasContent(md5);
}

void CContentStore::Remove(const std::string& path) const {
    std::error_code ec;
    fs::remove(path, ec);
}

std::optional<uint64_t> FileSizeOf(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return uint64_t(size);
}

CFileReader::~CFileReader() {
    if (m_File)
        std::fclose(m_File);
}

bool CFileReader::Open(const std::string& path, uint64_t offset) {
    m_File = std::fopen(path.c_str(), "rb");
    return m_File && std::fseek(m_File, long(offset), SEEK_SET) == 0;
}

size_t CFileReader::Read(char* buffer, size_t capacity) {
    return m_File ? std::fread(buffer, 1, capacity, m_File) : 0;
}

}  // namespace norvel::service
