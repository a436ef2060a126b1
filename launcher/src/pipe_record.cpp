#include "launcher/pipe_record.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/text.h"

namespace launcher {
namespace {

using intake::kEntryFieldUnits;

std::u16string Number(long long value) {
    return platform::Utf8ToWide(std::to_string(value));
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool IsValidUtf16(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLowSurrogate(text[i]))
            return false;
        if (IsHighSurrogate(text[i])) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1]))
                return false;
            ++i;
        }
    }
    return true;
}

// The problem of one text field, "" when it is well formed. The field's text ends at its
// first NUL; a field without one may be a longer path cut short, and text after the NUL
// would be read differently by another reader, so both are refused.
std::u16string CheckField(const char16_t (&field)[kEntryFieldUnits], std::u16string_view what) {
    const char16_t* end = std::find(field, field + kEntryFieldUnits, u'\0');
    if (end == field + kEntryFieldUnits)
        return std::u16string(what) + u" has no terminator within 260 units";
    if (std::any_of(end, field + kEntryFieldUnits, [](char16_t unit) { return unit != u'\0'; }))
        return std::u16string(what) + u" holds text after a NUL";
    if (!IsValidUtf16(std::u16string_view(field, static_cast<size_t>(end - field))))
        return std::u16string(what) + u" is not valid UTF-16";
    return {};
}

}  // namespace

std::u16string CheckPipeRecord(std::span<const char> message, intake::UploadRequestEntry& entry) {
    if (message.size() != kRecordBytes)
        return u"a message of " + Number(static_cast<long long>(message.size())) +
               u" bytes is no record (records are 1044 bytes)";
    std::memcpy(&entry, message.data(), kRecordBytes);
    if (entry.nKind < intake::kUploadRequest || entry.nKind > intake::kWeiboRequest)
        return u"unknown request kind " + Number(entry.nKind);
    if (auto problem = CheckField(entry.szDir, u"the directory"); !problem.empty())
        return problem;
    if (auto problem = CheckField(entry.szName, u"the name"); !problem.empty())
        return problem;
    if (intake::EntryName(entry).empty())
        return u"the record names no file";
    // A relative directory would be resolved against the launcher's working folder.
    const std::u16string_view dir = intake::EntryDir(entry);
    if (!dir.empty() && dir.front() != u'/')
        return u"the directory is not an absolute path";
    return {};
}

std::span<const char> RecordBytes(const intake::UploadRequestEntry& entry) {
    return {reinterpret_cast<const char*>(&entry), kRecordBytes};
}

}  // namespace launcher
