#pragma once

// The six-line block at the top of every new log file.

#include <cstdint>
#include <string>
#include <string_view>

struct LogHeaderFacts {
    std::u16string loggerName;
    std::u16string logDir;
    std::u16string createdTime;  // YYYY-MM-DD HH:MM:SS
    std::u16string userName;
    std::u16string userId;
    std::u16string computerName;
    std::u16string clientId;
    std::u16string levelName;
    std::u16string environment;
};

// [<name>log, DIR=<dir>]
// [Created Time: <time>]
// [Login User: Name=<user>, ID=<id>]
// [Machine: Name=<computer>, ID=<client id>]
// [Current Log Level: <level name>]
// [System Environment: <environment>]
// each line ending in CR LF. Values are escaped as record texts are, so that a name or
// path holding a line break or a bracket cannot forge lines of the file.
std::u16string FormatLogHeader(const LogHeaderFacts& facts);

// Gathers the facts (stored account and client identity, the machine, its environment)
// and formats them.
std::u16string LogHeader(std::u16string_view loggerName, std::u16string_view logDir, int64_t now,
                         int mask);
