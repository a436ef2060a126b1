#pragma once

// Value data in the "hex" forms of a registry export: "hex:" (binary) or "hex(<type>):"
// followed by two-digit bytes separated by commas, possibly continued over several lines
// that end in "\".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::registry {

inline constexpr uint32_t kTypeString = 1;  // REG_SZ: UTF-16LE text with its final NUL
inline constexpr uint32_t kTypeBinary = 3;  // what "hex:" holds
inline constexpr uint32_t kTypeDword = 4;   // four bytes, little-endian

struct HexData {
    uint32_t type = kTypeBinary;
    std::string bytes;
};

// Empty when the text is not in a hex form or a byte is malformed.
std::optional<HexData> ParseHexData(std::string_view raw);

// A number of minDigits to maxDigits hexadecimal digits, nothing else.
std::optional<uint32_t> ParseHexNumber(std::string_view digits, size_t minDigits, size_t maxDigits);

// "hex(1):" and the UTF-16LE bytes of the text with its terminating NUL.
std::string FormatHexString(std::u16string_view text);

// The text of string data (the terminating NUL removed); empty for other data.
std::optional<std::u16string> HexDataAsString(const HexData& data);
// The number of DWORD data; empty for other data.
std::optional<uint32_t> HexDataAsDword(const HexData& data);

}  // namespace platform::registry
