#pragma once

// The text after the first occurrence of `first` up to the next occurrence of `second`.
// out is emptied first; the result is false (out empty) when `first` is absent or
// `second` does not follow it.

#include <string>
#include <string_view>

namespace tools {

bool TextBetween(std::string_view text, std::string_view first, std::string_view second,
                 std::string& out);
bool TextBetween(std::u16string_view text, std::u16string_view first, std::u16string_view second,
                 std::u16string& out);

}  // namespace tools
