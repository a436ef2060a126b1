#pragma once

// Form-style URL encoding of 8-bit text, byte by byte: ASCII letters and digits stay,
// a blank becomes "+", every other byte "%" and two uppercase hex digits.

#include <string>
#include <string_view>

namespace tools {

std::string UrlEncode(std::string_view text);
// As above, but the bytes that occur in keep are copied unchanged too (a blank in keep
// stays a blank).
std::string UrlEncode(std::string_view text, std::string_view keep);

// "%" and two hex digits (either case) become that byte, "+" a blank; everything else is
// copied. A "%" not followed by two hex digits is copied as it stands and decoding goes
// on with the character after it; nothing past the end of the text is ever read.
std::string UrlDecode(std::string_view text);

}  // namespace tools
