// A scalar: a quoted string or a bare token (number, true, false, null or anything else),
// kept as its unescaped text.

#include "cursor.h"
#include "parser.h"
#include "writer.h"

namespace Script {
namespace {

// Where the scan of a scalar that starts at `start` stops: at the closing quote of a
// quoted one, at a blank, ',', ']' or '}' (or a stray quote) for a bare token, or at the
// end of the text. A backslash jumps over the next byte, so the result can be length + 1.
int ScanScalar(const char* text, int start, int length, bool quoted) {
    int pos = start;
    while (pos < length) {
        const char c = text[pos];
        if (c == '\\') {
            pos += 2;
            continue;
        }
        if (c == '"')
            break;
        if (!quoted && (c == ' ' || c == ',' || c == ']' || c == '}'))
            break;
        ++pos;
    }
    return pos;
}

}  // namespace

void JsonObjectString::Parse(ParseInfo& info) {
    detail::CheckCursor(info);
    const int open = info.m_Position;
    const bool quoted = detail::Current(info) == '"';
    const int start = quoted ? open + 1 : open;
    const int stop = ScanScalar(info.m_Text, start, info.m_Length, quoted);

    if (stop > info.m_Length)  // a backslash as the last byte of the text
        detail::ThrowWrongFormat(info, info.m_Length - 1);
    if (quoted && stop == info.m_Length)  // no closing quote
        detail::ThrowWrongFormat(info, open);
    if (!quoted && stop < info.m_Length && info.m_Text[stop] == '"')
        detail::ThrowWrongFormat(info, stop);

    std::string text = detail::Unescape(info, start, stop);
    detail::AdvanceTo(info, quoted ? stop + 1 : stop);
    m_Text = std::move(text);
}

std::string JsonObjectString::ToString() const {
    std::string out;
    JsonWriter::AppendScalar(m_Text, out);
    return out;
}

std::string JsonObjectString::GetString() const {
    return m_Text;
}

}  // namespace Script
