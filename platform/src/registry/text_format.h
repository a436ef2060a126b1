#pragma once

// The registry file's text: the format of a registry export, in UTF-8.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\software\Norvel]
//   "NAME"="text with \\ and \" escaped"
//   "COUNT"=dword:0000abcd
//   "OTHER"=hex(2):41,00,00,00
//   @="the default value"

#include <cstddef>
#include <string>
#include <string_view>

#include "document.h"

namespace platform::registry {

inline constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00";

struct ParseResult {
    Document document;
    size_t damagedLines = 0;      // lines that could not be read and were left out
    size_t firstDamagedLine = 0;  // 1-based; 0 when none
};

// Reads every value that can be read. Unreadable lines (bad syntax, invalid UTF-8, control
// characters, a last line cut short) are counted and skipped; values after an unreadable
// section line are skipped as well, since their key is unknown.
ParseResult ParseRegistryText(std::string_view bytes);

// The whole file. Strings holding control characters or broken UTF-16 are written as
// "hex(1):" data so that every line stays readable and the text comes back unchanged.
std::string FormatRegistryText(const Document& document);

}  // namespace platform::registry
