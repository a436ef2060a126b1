#include "tools/text_convert.h"

#include "platform/text.h"

namespace tools {

int AnsiToWide(std::string_view text, std::u16string& out) {
    out = platform::AnsiToWide(text);
    return 1;
}

int AnsiToWide(const char* text, std::u16string& out) {
    out.clear();
    return text ? AnsiToWide(std::string_view(text), out) : 0;
}

int WideToAnsi(std::u16string_view text, std::string& out) {
    out = platform::WideToAnsi(text);
    return 1;
}

int WideToAnsi(const char16_t* text, std::string& out) {
    out.clear();
    return text ? WideToAnsi(std::u16string_view(text), out) : 0;
}

int Utf8ToWide(std::string_view text, std::u16string& out) {
    out = platform::Utf8ToWide(text);
    return 1;
}

int Utf8ToWide(const char* text, std::u16string& out) {
    out.clear();
    return text ? Utf8ToWide(std::string_view(text), out) : 0;
}

int WideToUtf8(std::u16string_view text, std::string& out) {
    out = platform::WideToUtf8(text);
    return 1;
}

int WideToUtf8(const char16_t* text, std::string& out) {
    out.clear();
    return text ? WideToUtf8(std::u16string_view(text), out) : 0;
}

}  // namespace tools
