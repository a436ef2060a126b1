#pragma once

// One request of the file manager's plug-in, in the layout shared by the plug-in socket,
// the launcher and the library: 1044 bytes, integers and text little-endian.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>

namespace intake {

// Request kinds; the kind of the first entry decides how a batch is handled. Other
// values are accepted and only counted.
inline constexpr int32_t kUploadRequest = 1;
inline constexpr int32_t kShareLinkRequest = 2;
inline constexpr int32_t kWeiboRequest = 3;

// Units of a text field, its terminating NUL included.
inline constexpr size_t kEntryFieldUnits = 260;
// Longest directory or name an entry can carry.
inline constexpr size_t kMaxEntryText = kEntryFieldUnits - 1;

struct UploadRequestEntry {
    int32_t nKind = 0;
    char16_t szDir[kEntryFieldUnits] = {};   // directory, no trailing "/"
    char16_t szName[kEntryFieldUnits] = {};  // name, or a path relative to the directory
};

static_assert(std::endian::native == std::endian::little, "the record is little-endian");
static_assert(sizeof(UploadRequestEntry) == 1044);
static_assert(offsetof(UploadRequestEntry, nKind) == 0);
static_assert(offsetof(UploadRequestEntry, szDir) == 4);
static_assert(offsetof(UploadRequestEntry, szName) == 524);

// A batch: the entries of one request, in order (the list type the host passes).
using RequestBatch = std::list<UploadRequestEntry>;

// The text of a field up to its terminator; a field without one reads as all its 260
// units, never beyond.
std::u16string_view EntryDir(const UploadRequestEntry& entry);
std::u16string_view EntryName(const UploadRequestEntry& entry);
// True when both fields hold a terminator, i.e. the entry carries its path whole.
bool IsEntryTerminated(const UploadRequestEntry& entry);
// EntryDir + "/" + EntryName.
std::u16string EntryPath(const UploadRequestEntry& entry);

// Fills an entry; false (entry untouched) when the directory or the name is longer than
// kMaxEntryText units or holds a NUL, so that no path is ever cut into another one.
[[nodiscard]] bool MakeEntry(int32_t kind, std::u16string_view dir, std::u16string_view name,
                             UploadRequestEntry& entry);

}  // namespace intake
