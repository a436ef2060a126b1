#include "intake/request_entry.h"

#include <algorithm>

namespace intake {
namespace {

std::u16string_view FieldText(const char16_t (&field)[kEntryFieldUnits]) {
    const char16_t* end = std::find(field, field + kEntryFieldUnits, u'\0');
    return std::u16string_view(field, static_cast<size_t>(end - field));
}

bool Fits(std::u16string_view text) {
    return text.size() <= kMaxEntryText && text.find(u'\0') == std::u16string_view::npos;
}

void CopyField(std::u16string_view text, char16_t (&field)[kEntryFieldUnits]) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.end(), field);
}

}  // namespace

std::u16string_view EntryDir(const UploadRequestEntry& entry) {
    return FieldText(entry.szDir);
}

std::u16string_view EntryName(const UploadRequestEntry& entry) {
    return FieldText(entry.szName);
}

bool IsEntryTerminated(const UploadRequestEntry& entry) {
    return EntryDir(entry).size() < kEntryFieldUnits && EntryName(entry).size() < kEntryFieldUnits;
}

std::u16string EntryPath(const UploadRequestEntry& entry) {
    std::u16string path(EntryDir(entry));
    path += u'/';
    path += EntryName(entry);
    return path;
}

bool MakeEntry(int32_t kind, std::u16string_view dir, std::u16string_view name,
               UploadRequestEntry& entry) {
    if (!Fits(dir) || !Fits(name))
        return false;
    entry.nKind = kind;
    CopyField(dir, entry.szDir);
    CopyField(name, entry.szName);
    return true;
}

}  // namespace intake
