#include "hex_data.h"

#include <cstdio>

#include "document.h"

namespace platform::registry {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Reads the "hex:" or "hex(<type>):" prefix and moves past it.
std::optional<uint32_t> TakeType(std::string_view& raw) {
    if (EqualsIgnoringAsciiCase(raw.substr(0, 4), "hex:")) {
        raw.remove_prefix(4);
        return kTypeBinary;
    }
    const size_t close = raw.find("):");
    if (!EqualsIgnoringAsciiCase(raw.substr(0, 4), "hex(") || close == std::string_view::npos)
        return std::nullopt;
    const auto type = ParseHexNumber(raw.substr(4, close - 4), 1, 8);
    raw.remove_prefix(close + 2);
    return type;
}

// "01,02,\<newline>  03" without its line breaks.
std::string JoinContinuedLines(std::string_view raw) {
    std::string joined;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\n')
            ++i;
        else
            joined.push_back(raw[i]);
    }
    return joined;
}

}  // namespace

std::optional<uint32_t> ParseHexNumber(std::string_view digits, size_t minDigits,
                                       size_t maxDigits) {
    if (digits.size() < minDigits || digits.size() > maxDigits)
        return std::nullopt;
    uint32_t number = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | static_cast<uint32_t>(digit);
    }
    return number;
}

std::optional<HexData> ParseHexData(std::string_view raw) {
    HexData data;
    const auto type = TakeType(raw);
    if (!type)
        return std::nullopt;
    data.type = *type;
    const std::string joined = JoinContinuedLines(raw);
    std::string_view rest = TrimBlanks(joined);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const auto byte = ParseHexNumber(TrimBlanks(rest.substr(0, comma)), 2, 2);
        if (!byte)
            return std::nullopt;
        data.bytes.push_back(static_cast<char>(*byte));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
        if (rest.empty())
            return std::nullopt;  // a dangling comma: the data was cut short
    }
    return data;
}

std::string FormatHexString(std::u16string_view text) {
    std::string out = "hex(1):";
    char byte[8];
    const auto append = [&](unsigned value) {
        std::snprintf(byte, sizeof(byte), out.size() > 7 ? ",%02x" : "%02x", value & 0xFF);
        out += byte;
    };
    for (char16_t unit : text) {
        append(unit);
        append(unit >> 8);
    }
    append(0);
    append(0);
    return out;
}

std::optional<std::u16string> HexDataAsString(const HexData& data) {
    if (data.type != kTypeString || data.bytes.size() % 2 != 0)
        return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i < data.bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(data.bytes[i]) |
                                             static_cast<unsigned char>(data.bytes[i + 1]) << 8));
    if (!text.empty() && text.back() == u'\0')
        text.pop_back();
    return text;
}

std::optional<uint32_t> HexDataAsDword(const HexData& data) {
    if (data.type != kTypeDword || data.bytes.size() != 4)
        return std::nullopt;
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i)
        number = number << 8 | static_cast<unsigned char>(data.bytes[static_cast<size_t>(i)]);
    return number;
}

}  // namespace platform::registry
