#include "tools/text_between.h"

#include <gtest/gtest.h>

namespace tools {
namespace {

TEST(TextBetween, TextAfterTheFirstMarkerUpToTheNextSecond) {
    std::string out = "old";
    EXPECT_TRUE(TextBetween("\"/usr/bin/firefox\" -osint -url \"%1\"", "\"", "\"", out));
    EXPECT_EQ(out, "/usr/bin/firefox");
    EXPECT_TRUE(TextBetween("<a><b>x</b></a>", "<b>", "</", out));
    EXPECT_EQ(out, "x");
    EXPECT_TRUE(TextBetween("key=;rest", "key=", ";", out));
    EXPECT_EQ(out, "");
}

TEST(TextBetween, SecondMarkerMustFollowTheFirst) {
    std::string out = "old";
    EXPECT_FALSE(TextBetween("b...a", "a", "b", out));
    EXPECT_EQ(out, "");
    out = "old";
    EXPECT_FALSE(TextBetween("no markers", "[", "]", out));
    EXPECT_EQ(out, "");
    // The first marker overlaps a later occurrence of itself: only the first counts.
    EXPECT_TRUE(TextBetween("aaXbb", "a", "b", out));
    EXPECT_EQ(out, "aX");
    // The second marker is searched after the first, not inside it.
    EXPECT_FALSE(TextBetween("ab", "ab", "b", out));
}

TEST(TextBetween, OutputMayBeTheInput) {
    std::string text = "say \"hello\" twice";
    EXPECT_TRUE(TextBetween(text, "\"", "\"", text));
    EXPECT_EQ(text, "hello");
}

TEST(TextBetween, WideForm) {
    std::u16string out = u"old";
    EXPECT_TRUE(TextBetween(u"路径\"中文\"结束", u"\"", u"\"", out));
    EXPECT_EQ(out, u"中文");
    EXPECT_FALSE(TextBetween(u"路径\"中文", u"\"", u"\"", out));
    EXPECT_EQ(out, u"");
}

}  // namespace
}  // namespace tools
