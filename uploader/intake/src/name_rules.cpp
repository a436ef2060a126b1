#include <algorithm>
#include <string>

#include "intake/filter.h"
#include "platform/files.h"

namespace intake {
namespace {

using View = std::u16string_view;

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Compares without regard to ASCII case; `lower` is given in lower case.
bool EqualsAnyCase(View text, View lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](char16_t a, char16_t b) { return AsciiLower(a) == b; });
}

bool EndsAnyCase(View name, View lowerSuffix) {
    return name.size() >= lowerSuffix.size() &&
           EqualsAnyCase(name.substr(name.size() - lowerSuffix.size()), lowerSuffix);
}

bool StartsAnyCase(View name, View lowerPrefix) {
    return name.size() >= lowerPrefix.size() &&
           EqualsAnyCase(name.substr(0, lowerPrefix.size()), lowerPrefix);
}

bool AllDigits(View text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

View LastComponent(View path) {
    const size_t slash = path.rfind(u'/');
    return slash == View::npos ? path : path.substr(slash + 1);
}

// Office keeps "~$" owner files beside open documents.
bool IsOfficeOwnerFile(View name) {
    return name.starts_with(u"~$") && (EndsAnyCase(name, u".doc") || EndsAnyCase(name, u".docx") ||
                                       EndsAnyCase(name, u".xlsx") || EndsAnyCase(name, u".pptx"));
}

// The rules for files (and paths that do not exist), by the length n of the name.
bool IsRefusedFileName(View name) {
    const size_t n = name.size();
    if (n >= 4 && (EndsAnyCase(name, u".tmp") || EndsAnyCase(name, u".lnk")))
        return true;
    if (n >= 6 && (EqualsAnyCase(name, u"thumbs.db") || EqualsAnyCase(name, u"desktop.ini") ||
                   EndsAnyCase(name, u".temp") || IsOfficeOwnerFile(name)))
        return true;
    // Scratch files of archive tools: exact case and exactly 12 units.
    if (n == 12 && (name.starts_with(u"__rar_00.") || name.starts_with(u"__rzi_00.")))
        return true;
    if (n >= 11 && EndsAnyCase(name, u".crdownload"))
        return true;
    if (n >= 14 && StartsAnyCase(name, u"~tmp") && AllDigits(name.substr(4, 10)))
        return true;
    return n >= 8 && StartsAnyCase(name, u"atmp") && AllDigits(name.substr(4, 4));
}

}  // namespace

bool HoldsControlCharacter(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

bool IsRefusedName(std::u16string_view path) {
    const View name = LastComponent(path);
    if (HoldsControlCharacter(name))
        return true;
    if (name.size() >= 6 && name.find(u"新建 公文包") != View::npos)
        return true;
    if (platform::IsFolder(path))
        return false;
    return IsRefusedFileName(name);
}

}  // namespace intake
