#pragma once

// Conversions between the ANSI code page, UTF-8 and wide (UTF-16) text that fill a
// caller's string: it is emptied first, then filled; the result is 1, or 0 when the
// input pointer is null (the string then stays empty). The pointer forms read up to the
// terminating zero; the view forms take every unit of the view, zeros included.

#include <string>
#include <string_view>

namespace tools {

int AnsiToWide(const char* text, std::u16string& out);
int AnsiToWide(std::string_view text, std::u16string& out);
int WideToAnsi(const char16_t* text, std::string& out);
int WideToAnsi(std::u16string_view text, std::string& out);
int Utf8ToWide(const char* text, std::u16string& out);
int Utf8ToWide(std::string_view text, std::u16string& out);
int WideToUtf8(const char16_t* text, std::string& out);
int WideToUtf8(std::u16string_view text, std::string& out);

}  // namespace tools
