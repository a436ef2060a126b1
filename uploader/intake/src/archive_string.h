#pragma once

// Strings and integers as the framework archive stores them in the saved task list.

#include <cstdint>
#include <string>
#include <string_view>

namespace intake::archive {

void WriteInt32(std::string& out, int32_t value);
// A wide string: 0xFF, tag 0xFFFE, the length in one of three forms, the UTF-16LE units.
void WriteString(std::string& out, std::u16string_view text);

// Readers move `offset` past what they read; on failure (the bytes end too early) they
// leave it as it was.
bool ReadInt32(std::string_view bytes, size_t& offset, int32_t& value);
// A tagged wide string, or an untagged one of ANSI bytes (converted).
bool ReadString(std::string_view bytes, size_t& offset, std::u16string& text);

}  // namespace intake::archive
