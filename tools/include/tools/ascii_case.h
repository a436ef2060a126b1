#pragma once

// Comparisons that ignore the case of ASCII letters only (schemes, host names), never
// that of other characters.

#include <string_view>

namespace tools {

// True when text begins with prefix, ASCII letters compared without regard to case.
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix);

}  // namespace tools
