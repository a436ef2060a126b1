#pragma once

// Date and time texts in local time. Each is empty when the time cannot be expressed
// as a local calendar date.

#include <cstdint>
#include <string>

namespace tools {

// "%4d-%d-%d %d:%d:%d": year (padded to four places with blanks), month, day, hour,
// minute, second, without zero padding. time is in seconds since 1970.
std::string FormatDateTime(int64_t time);

// Today as YYYY-MM-DD and now as YYYY-MM-DD hh:mm:ss, zero-padded.
std::u16string TodayText();
std::u16string NowText();

// The same texts for a given time in seconds since 1970.
std::u16string DateText(int64_t time);
std::u16string DateTimeText(int64_t time);

}  // namespace tools
