#include "tools/url_encode.h"

namespace tools {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Letters and digits of ASCII only: bytes of 0x80 and above are always encoded, whatever
// the locale says.
bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The value of a hex digit of either case, or -1.
int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string UrlEncode(std::string_view text) {
    return UrlEncode(text, {});
}

std::string UrlEncode(std::string_view text, std::string_view keep) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsAsciiAlnum(byte) || keep.find(ch) != std::string_view::npos) {
            out.push_back(ch);
        } else if (ch == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHexDigits[byte >> 4]);
            out.push_back(kHexDigits[byte & 0x0F]);
        }
    }
    return out;
}

std::string UrlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '+') {
            out.push_back(' ');
            continue;
        }
        if (ch == '%' && text.size() - i > 2) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(ch);
    }
    return out;
}

}  // namespace tools
