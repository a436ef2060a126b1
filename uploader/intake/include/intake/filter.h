#pragma once

// The intake filter: system, temporary and sync-managed files are not uploaded. Every
// request passes it, whatever its source. Paths use "/" as separator; a name starting
// with "." is hidden; a folder without its owner's write permission is read-only.

#include <string_view>

namespace intake {

// True when the filter refuses the full path: the path or a folder above it is hidden,
// or lies in a briefcase, stopping at the sync folder of the companion sync client, or
// the name rules refuse the last component. A path without "/", or ending in "/", is
// not refused.
[[nodiscard]] bool IsRefusedPath(std::u16string_view path);

// True when the path, or a folder above it up to the sync folder, is a briefcase: a
// read-only folder that holds the file "公文包数据库".
[[nodiscard]] bool IsInBriefcase(std::u16string_view path);

// The name rules, applied to the last component of the path (temporary files, Office
// lock files, shortcuts, thumbnails, partial downloads, archive scratch files, names with
// control characters). An existing folder passes every rule except the briefcase name
// and the control characters.
[[nodiscard]] bool IsRefusedName(std::u16string_view path);

// True when the text holds a control character (U+0000..U+001F, U+007F). The service
// stores no such name at any level of a remote path, so a file whose remote name (its
// sub-folders included) holds one is refused before any byte is sent.
[[nodiscard]] bool HoldsControlCharacter(std::u16string_view text);

}  // namespace intake
