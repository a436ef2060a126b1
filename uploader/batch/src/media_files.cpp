#include "batch/media_files.h"

#include <array>

namespace batch {
namespace {

constexpr std::array<std::u16string_view, 29> kMediaExtensions = {
    u"RM",  u"RMVB", u"MPG", u"VOB",  u"DAT", u"WMV", u"AVI",  u"MOV",  u"MKV", u"TP",
    u"TS",  u"asf",  u"QT",  u"MPEG", u"MP4", u"3GP", u"DivX", u"XviD", u"ogg", u"ape",
    u"acc", u"mp3",  u"fla", u"mfv",  u"wma", u"wav", u"mid",  u"ra",   u"flv"};

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

}  // namespace

bool IsMediaFile(std::u16string_view fileName) {
    const size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return false;
    const std::u16string_view extension = fileName.substr(dot + 1);
    for (const std::u16string_view media : kMediaExtensions)
        if (SameIgnoringCase(extension, media))
            return true;
    return false;
}

}  // namespace batch
