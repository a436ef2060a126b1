#include "tools/ascii_case.h"

#include <gtest/gtest.h>

TEST(AsciiCase, PrefixesCompareWithoutTheCaseOfAsciiLetters) {
    EXPECT_TRUE(tools::StartsWithAsciiNoCase(u"HTTPS://x", u"https://"));
    EXPECT_TRUE(tools::StartsWithAsciiNoCase(u"http://x", u"HTTP://"));
    EXPECT_TRUE(tools::StartsWithAsciiNoCase(u"abc", u""));
    EXPECT_FALSE(tools::StartsWithAsciiNoCase(u"http", u"http://"));
    EXPECT_FALSE(tools::StartsWithAsciiNoCase(u"ftp://x", u"http://"));
    // Only ASCII letters fold: "Ä" is not "ä", and "@" is not "`".
    EXPECT_FALSE(tools::StartsWithAsciiNoCase(u"Äb", u"äb"));
    EXPECT_FALSE(tools::StartsWithAsciiNoCase(u"@", u"`"));
}
