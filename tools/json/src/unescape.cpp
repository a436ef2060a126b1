// Escapes of a scalar's text:
//   \" \/ \\   the character itself
//   \b \f \n \r \t   backspace, form feed, LF, CR, TAB
//   \uXXXX     the code point, converted to the ANSI code page (one or two bytes for
//              code page 936); nothing when the code page cannot hold it
// Anything else after a backslash is malformed. So is a \u that is not followed by four
// hex digits inside the scalar: a short \u at the very end of a scalar never reads the
// bytes after it. The result ends at its first NUL byte: a scalar's text never holds one.

#include <charconv>
#include <cstring>
#include <system_error>

#include "cursor.h"
#include "parser.h"
#include "platform/text.h"

namespace Script::detail {
namespace {

constexpr int kUnicodeEscapeLength = 6;  // backslash, 'u' and four hex digits

// The code point of the four hex digits (either case) at `digits`, or -1 when they are
// not four hex digits.
long ReadCodePoint(const char* digits) {
    unsigned codePoint = 0;
    const auto [end, error] = std::from_chars(digits, digits + 4, codePoint, 16);
    if (error != std::errc() || end != digits + 4)
        return -1;
    return static_cast<long>(codePoint);
}

// The byte that a one-character escape stands for, or 0 when it is not one.
char SimpleEscape(char c) {
    switch (c) {
        case '"':
        case '/':
        case '\\':
            return c;
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        default:
            return 0;
    }
}

}  // namespace

std::string Unescape(const ParseInfo& info, int start, int stop) {
    const char* text = info.m_Text;
    std::string out;
    out.reserve(static_cast<size_t>(stop - start));
    int i = start;
    while (i < stop) {
        const void* found = std::memchr(text + i, '\\', static_cast<size_t>(stop - i));
        const int slash = found ? static_cast<int>(static_cast<const char*>(found) - text) : stop;
        out.append(text + i, text + slash);
        i = slash;
        if (i == stop)
            break;
        if (i + 1 >= stop)
            ThrowWrongFormat(info, i);
        const char escaped = text[i + 1];
        if (const char byte = SimpleEscape(escaped)) {
            out.push_back(byte);
            i += 2;
            continue;
        }
        if (escaped != 'u' || stop - i < kUnicodeEscapeLength)
            ThrowWrongFormat(info, i);
        const long codePoint = ReadCodePoint(text + i + 2);
        if (codePoint < 0)
            ThrowWrongFormat(info, i);
        out += platform::CodePointToAnsi(static_cast<char32_t>(codePoint));
        i += kUnicodeEscapeLength;
    }
    const size_t nul = out.find('\0');
    if (nul != std::string::npos)
        out.resize(nul);
    return out;
}

}  // namespace Script::detail
