#include "tools/text_between.h"

namespace tools {
namespace {

// The result is built before out is touched, so out may be the string that text views.
template <typename Char>
bool Between(std::basic_string_view<Char> text, std::basic_string_view<Char> first,
             std::basic_string_view<Char> second, std::basic_string<Char>& out) {
    const size_t start = text.find(first);
    const size_t from = start == text.npos ? text.npos : start + first.size();
    const size_t end = from == text.npos ? text.npos : text.find(second, from);
    if (end == text.npos) {
        out.clear();
        return false;
    }
    std::basic_string<Char> between(text.substr(from, end - from));
    out = std::move(between);
    return true;
}

}  // namespace

bool TextBetween(std::string_view text, std::string_view first, std::string_view second,
                 std::string& out) {
    return Between(text, first, second, out);
}

bool TextBetween(std::u16string_view text, std::u16string_view first, std::u16string_view second,
                 std::u16string& out) {
    return Between(text, first, second, out);
}

}  // namespace tools
