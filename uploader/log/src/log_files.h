#pragma once

// Names of the daily numbered log files: <dir>/<logger name>YYYY-MM-DD_NN.log.

#include <string>
#include <string_view>
#include <vector>

inline constexpr int kMaxFilesPerDay = 100;  // numbers 00 to 99

std::u16string LogFilePath(std::u16string_view dir, std::u16string_view loggerName,
                           std::u16string_view date, int number);

// True for exactly loggerName + "YYYY-MM-DD_NN.log" (digits where digits belong).
bool IsLogFileName(std::u16string_view fileName, std::u16string_view loggerName);

// The number of a log file path (the two characters before ".log"); 0 when it has none.
int SequenceOf(std::u16string_view path);
// The date of a log file path (YYYY-MM-DD before "_NN.log"); empty when it has none.
std::u16string_view DateOf(std::u16string_view path);

// The logger's files in the folder, full paths, sorted so that the oldest date and the
// lowest number come first. Other files of the folder are never listed.
std::vector<std::u16string> FindLogFiles(std::u16string_view dir, std::u16string_view loggerName);
