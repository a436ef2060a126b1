#pragma once

// Every conversion between the project's text forms happens here:
//  - wide text is UTF-16 (std::u16string), as in the pipe records and the saved task list;
//  - "ANSI" text is the system code page of the Windows design: code page 936 (GBK) by
//    default, or the iconv charset named by the environment variable NORVEL_ACP;
//  - UTF-8 is the text of the file system, Qt and most network bodies.
// Characters that the ANSI code page cannot hold become one '?' each. Invalid input
// sequences are never read past their buffer: an invalid UTF-8 or GBK byte becomes U+FFFD
// (or '?' on the way to ANSI), an unpaired UTF-16 surrogate becomes U+FFFD.
// The process-wide locale is never switched. All functions are thread-safe.

#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// ANSI bytes of one code point (one or two bytes for GBK); empty when the code page
// cannot hold it. Used by the JSON \u escape.
std::string CodePointToAnsi(char32_t codePoint);

// Opens one converter of each direction and keeps it. A shared library calls this when it
// is loaded: iconv loads its code page modules with dlopen on first use, and a thread
// doing that while the library's finalizer joins it under the loader's lock would wait
// for ever.
void PreloadTextConverters();

// The iconv name of the ANSI code page: NORVEL_ACP when set, else "CP936".
const std::string& AnsiCharsetName();

}  // namespace platform
