#include "tools/module_version.h"

#include <algorithm>
#include <fstream>
#include <optional>

#include "platform/text.h"
#include "version_record.h"

namespace tools {
namespace {

using version_record::kPrefix;
using version_record::kSpecialBuildKey;

constexpr size_t kMaxPartDigits = 5;  // each part is 0..65535
constexpr size_t kMaxSpecialBuild = version_record::kMaxSpecialBuild;
// The longest complete record: prefix, four parts and three dots, the special-build key
// and text, the closing ";" and the terminating zero.
constexpr size_t kMaxRecord =
    kPrefix.size() + 4 * kMaxPartDigits + 3 + kSpecialBuildKey.size() + kMaxSpecialBuild + 2;
constexpr size_t kChunkSize = 1 << 20;

struct VersionRecord {
    unsigned parts[4] = {};
    std::string specialBuild;
};

// Reads one part of the version at bytes[i], advancing i; empty when there is none.
std::optional<unsigned> ReadPart(std::string_view bytes, size_t& i) {
    unsigned value = 0;
    size_t digits = 0;
    while (i < bytes.size() && digits < kMaxPartDigits && bytes[i] >= '0' && bytes[i] <= '9') {
        value = value * 10 + static_cast<unsigned>(bytes[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || value > 0xFFFF)
        return std::nullopt;
    return value;
}

// A complete, well-formed record at the start of bytes, or nothing. The reader's own
// copy of the prefix and any stray text that merely begins like a record do not count.
std::optional<VersionRecord> ParseRecord(std::string_view bytes) {
    if (!bytes.starts_with(kPrefix))
        return std::nullopt;
    VersionRecord record;
    size_t i = kPrefix.size();
    for (int k = 0; k < 4; ++k) {
        if (k > 0 && (i >= bytes.size() || bytes[i++] != '.'))
            return std::nullopt;
        const std::optional<unsigned> part = ReadPart(bytes, i);
        if (!part)
            return std::nullopt;
        record.parts[k] = *part;
    }
    if (!bytes.substr(i).starts_with(kSpecialBuildKey))
        return std::nullopt;
    i += kSpecialBuildKey.size();
    // At most kMaxSpecialBuild bytes of text, then ";" and the terminating zero.
    const std::string_view rest = bytes.substr(i, kMaxSpecialBuild + 2);
    const size_t end = rest.find(';');
    if (end == rest.npos || end + 1 >= rest.size() || rest[end + 1] != '\0')
        return std::nullopt;
    const std::string_view special = rest.substr(0, end);
    const bool printable = std::all_of(special.begin(), special.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7F;
    });
    if (!printable)
        return std::nullopt;
    record.specialBuild = special;
    return record;
}

// Searches the stream chunk by chunk for the first complete record. A record or prefix
// cut by the end of a chunk is kept and searched again with the next chunk.
std::optional<VersionRecord> FindRecord(std::istream& in) {
    std::string window;
    for (;;) {
        const size_t kept = window.size();
        window.resize(kept + kChunkSize);
        in.read(window.data() + kept, kChunkSize);
        window.resize(kept + static_cast<size_t>(in.gcount()));
        const bool atEnd = !in;
        const std::string_view bytes(window);
        size_t from = 0;
        for (;;) {
            const size_t hit = bytes.find(kPrefix, from);
            if (hit == bytes.npos) {
                const size_t partial = kPrefix.size() - 1;  // a prefix may be cut short
                from = std::max(from, bytes.size() > partial ? bytes.size() - partial : 0);
                break;
            }
            if (!atEnd && bytes.size() - hit < kMaxRecord) {
                from = hit;  // may be cut short: look again with the next chunk
                break;
            }
            if (std::optional<VersionRecord> record = ParseRecord(bytes.substr(hit)))
                return record;
            from = hit + 1;
        }
        if (atEnd)
            return std::nullopt;
        window.erase(0, from);
    }
}

std::u16string VersionText(const unsigned (&parts)[4]) {
    std::string text;
    for (int k = 0; k < 4; ++k) {
        if (k > 0)
            text.push_back('.');
        text += std::to_string(parts[k]);
    }
    return std::u16string(text.begin(), text.end());
}

}  // namespace

bool GetModuleVersion(std::u16string_view path, std::u16string& version,
                      std::u16string& specialBuild) {
    std::ifstream file(platform::WideToUtf8(path), std::ios::binary);
    if (!file)
        return false;
    const std::optional<VersionRecord> record = FindRecord(file);
    if (!record)
        return false;
    version = VersionText(record->parts);
    specialBuild = platform::Utf8ToWide(record->specialBuild);
    return true;
}

}  // namespace tools
