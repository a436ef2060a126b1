#include "tools/date_text.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

namespace tools {
namespace {

// Seconds since 1970 of a local calendar time, whatever the time zone of the machine.
int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

TEST(FormatDateTime, NoZeroPaddingButAFourPlaceYear) {
    EXPECT_EQ(FormatDateTime(LocalSeconds(2012, 3, 4, 5, 6, 7)), "2012-3-4 5:6:7");
    EXPECT_EQ(FormatDateTime(LocalSeconds(2012, 12, 31, 23, 59, 58)), "2012-12-31 23:59:58");
    EXPECT_EQ(FormatDateTime(LocalSeconds(2000, 1, 1, 0, 0, 0)), "2000-1-1 0:0:0");
    EXPECT_EQ(FormatDateTime(LocalSeconds(999, 6, 15, 12, 0, 0)), " 999-6-15 12:0:0");
}

TEST(DateTexts, ZeroPadded) {
    const int64_t time = LocalSeconds(2012, 3, 4, 5, 6, 7);
    EXPECT_EQ(DateText(time), u"2012-03-04");
    EXPECT_EQ(DateTimeText(time), u"2012-03-04 05:06:07");
    EXPECT_EQ(DateTimeText(LocalSeconds(2031, 11, 20, 18, 40, 59)), u"2031-11-20 18:40:59");
}

TEST(DateTexts, NowAndTodayAgree) {
    const std::u16string today = TodayText();
    const std::u16string now = NowText();
    ASSERT_EQ(today.size(), 10u);
    ASSERT_EQ(now.size(), 19u);
    // Around midnight the two calls may fall on different days: compare the format only
    // when they agree on the date.
    if (now.starts_with(today)) {
        EXPECT_EQ(now[10], u' ');
    }
    EXPECT_EQ(today[4], u'-');
    EXPECT_EQ(today[7], u'-');
}

TEST(DateTexts, TimesBeyondTheCalendarGiveEmptyTexts) {
    const int64_t huge = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(FormatDateTime(huge), "");
    EXPECT_EQ(DateText(huge), u"");
    EXPECT_EQ(DateTimeText(std::numeric_limits<int64_t>::min()), u"");
}

}  // namespace
}  // namespace tools
