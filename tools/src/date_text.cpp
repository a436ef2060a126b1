#include "tools/date_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>

namespace tools {
namespace {

std::optional<std::tm> LocalTime(int64_t time) {
    if (time < std::numeric_limits<std::time_t>::min() ||
        time > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    const auto seconds = static_cast<std::time_t>(time);
    std::tm fields{};
    if (!localtime_r(&seconds, &fields))
        return std::nullopt;  // the year does not fit the calendar fields
    return fields;
}

int64_t NowSeconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count();
}

// The date and time texts hold ASCII only, so widening unit by unit is exact.
std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// Formats the fields of a local time; empty when the time has no local calendar date.
template <typename... Fields>
std::string Format(int64_t time, const char* pattern, Fields std::tm::*... fields) {
    const std::optional<std::tm> local = LocalTime(time);
    if (!local)
        return {};
    std::tm t = *local;
    if (t.tm_year > std::numeric_limits<int>::max() - 1900)
        return {};
    t.tm_year += 1900;
    t.tm_mon += 1;
    char text[96];
    const int length = std::snprintf(text, sizeof(text), pattern, (t.*fields)...);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

}  // namespace

std::string FormatDateTime(int64_t time) {
    return Format(time, "%4d-%d-%d %d:%d:%d", &std::tm::tm_year, &std::tm::tm_mon,
                  &std::tm::tm_mday, &std::tm::tm_hour, &std::tm::tm_min, &std::tm::tm_sec);
}

std::u16string DateText(int64_t time) {
    return Widen(
        Format(time, "%04d-%02d-%02d", &std::tm::tm_year, &std::tm::tm_mon, &std::tm::tm_mday));
}

std::u16string DateTimeText(int64_t time) {
    return Widen(Format(time, "%04d-%02d-%02d %02d:%02d:%02d", &std::tm::tm_year, &std::tm::tm_mon,
                        &std::tm::tm_mday, &std::tm::tm_hour, &std::tm::tm_min, &std::tm::tm_sec));
}

std::u16string TodayText() {
    return DateText(NowSeconds());
}

std::u16string NowText() {
    return DateTimeText(NowSeconds());
}

}  // namespace tools
