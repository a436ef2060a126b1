#include "tools/text_convert.h"

#include "platform/text.h"

namespace tools {
namespace {

// The pointer forms: a null pointer gives 0 and an empty string, anything else is read
// up to its terminating zero by the view form.
template <typename Char, typename Out>
int FromPointer(const Char* text, Out& out, int (*convert)(std::basic_string_view<Char>, Out&)) {
    out.clear();
    return text ? convert(std::basic_string_view<Char>(text), out) : 0;
}

}  // namespace

int AnsiToWide(std::string_view text, std::u16string& out) {
    out = platform::AnsiToWide(text);
    return 1;
}

int WideToAnsi(std::u16string_view text, std::string& out) {
    out = platform::WideToAnsi(text);
    return 1;
}

int Utf8ToWide(std::string_view text, std::u16string& out) {
    out = platform::Utf8ToWide(text);
    return 1;
}

int WideToUtf8(std::u16string_view text, std::string& out) {
    out = platform::WideToUtf8(text);
    return 1;
}

int AnsiToWide(const char* text, std::u16string& out) {
    return FromPointer(text, out, AnsiToWide);
}

int WideToAnsi(const char16_t* text, std::string& out) {
    return FromPointer(text, out, WideToAnsi);
}

int Utf8ToWide(const char* text, std::u16string& out) {
    return FromPointer(text, out, Utf8ToWide);
}

int WideToUtf8(const char16_t* text, std::string& out) {
    return FromPointer(text, out, WideToUtf8);
}

}  // namespace tools
