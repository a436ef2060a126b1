#include "archive_string.h"

#include "platform/text.h"

namespace intake::archive {
namespace {

constexpr uint8_t kLongerLength = 0xFF;   // a longer length form follows
constexpr uint16_t kUnicodeTag = 0xFFFE;  // after 0xFF: the text is UTF-16
constexpr uint16_t kLongest16 = 0xFFFF;   // after 0xFF: a 32-bit length follows

void WriteLittleEndian(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Reads `bytes` bytes little-endian at `at`; false when they are not all there.
bool ReadLittleEndian(std::string_view in, size_t& at, int bytes, uint64_t& value) {
    if (at > in.size() || in.size() - at < static_cast<size_t>(bytes))
        return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    at += static_cast<size_t>(bytes);
    return true;
}

void WriteLength(std::string& out, size_t length) {
    if (length < kLongerLength) {
        WriteLittleEndian(out, length, 1);
    } else if (length < kUnicodeTag) {
        WriteLittleEndian(out, kLongerLength, 1);
        WriteLittleEndian(out, length, 2);
    } else {
        WriteLittleEndian(out, kLongerLength, 1);
        WriteLittleEndian(out, kLongest16, 2);
        WriteLittleEndian(out, length, 4);
    }
}

// The length and whether the text is wide. The tag stands where a 16-bit length would;
// after it the length starts over in its three forms.
bool ReadLength(std::string_view in, size_t& at, uint64_t& length, bool& wide) {
    wide = false;
    for (uint64_t value = 0;;) {
        if (!ReadLittleEndian(in, at, 1, value))
            return false;
        if (value < kLongerLength) {
            length = value;
            return true;
        }
        if (!ReadLittleEndian(in, at, 2, value))
            return false;
        if (value == kUnicodeTag && !wide) {
            wide = true;
            continue;
        }
        if (value == kLongest16 && (!ReadLittleEndian(in, at, 4, value) || value == 0xFFFFFFFF))
            return false;  // a 64-bit length never fits a saved task list
        length = value;
        return true;
    }
}

}  // namespace

void WriteInt32(std::string& out, int32_t value) {
    WriteLittleEndian(out, static_cast<uint32_t>(value), 4);
}

void WriteString(std::string& out, std::u16string_view text) {
    WriteLittleEndian(out, kLongerLength, 1);
    WriteLittleEndian(out, kUnicodeTag, 2);
    WriteLength(out, text.size());
    for (const char16_t unit : text)
        WriteLittleEndian(out, unit, 2);
}

bool ReadInt32(std::string_view bytes, size_t& offset, int32_t& value) {
    size_t at = offset;
    uint64_t raw = 0;
    if (!ReadLittleEndian(bytes, at, 4, raw))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    offset = at;
    return true;
}

bool ReadString(std::string_view bytes, size_t& offset, std::u16string& text) {
    size_t at = offset;
    uint64_t length = 0;
    bool wide = false;
    if (!ReadLength(bytes, at, length, wide))
        return false;
    const uint64_t size = wide ? length * 2 : length;
    if (size > bytes.size() - at)
        return false;
    if (wide) {
        std::u16string units(static_cast<size_t>(length), u'\0');
        for (size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[at + 2 * i]) |
                                             static_cast<uint8_t>(bytes[at + 2 * i + 1]) << 8);
        }
        text = std::move(units);
    } else {
        text = platform::AnsiToWide(bytes.substr(at, static_cast<size_t>(size)));
    }
    offset = at + static_cast<size_t>(size);
    return true;
}

}  // namespace intake::archive
