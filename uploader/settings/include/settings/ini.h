#pragma once

// Lookups in the skin's layout file "UI.ini" (in "skinwnd-res/uploader/" beside the host
// program) and the path of a theme file. Sections and keys compare without regard to
// ASCII case; values are trimmed; lines starting with ";" or "#" are comments. The file
// is UTF-8 and is read again when it changes on disk.

#include <string>
#include <string_view>
#include <vector>

namespace settings {

// The skin folder: the host program's folder + "/skinwnd-res/uploader/".
std::u16string SkinFolder();

// Reads the key's text (default "10 10 10"), splits it at blanks and converts each piece
// to an integer (leading digits, as atoi). Returns how many integers were stored in out;
// 0 when nothing was read.
int IniInts(std::u16string_view section, std::u16string_view key, std::vector<int>& out);

// The section's "text" (default empty); nonzero when something was read.
int IniText(std::u16string_view section, std::u16string& out);

// Any key of UI.ini as text; the fallback when the key is missing.
std::u16string IniString(std::u16string_view section, std::u16string_view key,
                         std::u16string_view fallback);

// SkinFolder() + name + "/theme.ini"; empty when the host program's path is unknown.
std::u16string ThemePath(std::u16string_view name);

// Reads any INI file with the same rules (for theme files).
std::u16string ReadIniString(const std::u16string& path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback);

}  // namespace settings
