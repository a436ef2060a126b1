#include "tools/text_convert.h"

#include <gtest/gtest.h>

namespace tools {
namespace {

using namespace std::string_literals;

TEST(TextConvert, NullInputGivesZeroAndAnEmptyString) {
    std::u16string wide = u"old";
    std::string narrow = "old";
    EXPECT_EQ(AnsiToWide(static_cast<const char*>(nullptr), wide), 0);
    EXPECT_TRUE(wide.empty());
    wide = u"old";
    EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr), wide), 0);
    EXPECT_TRUE(wide.empty());
    EXPECT_EQ(WideToAnsi(static_cast<const char16_t*>(nullptr), narrow), 0);
    EXPECT_TRUE(narrow.empty());
    narrow = "old";
    EXPECT_EQ(WideToUtf8(static_cast<const char16_t*>(nullptr), narrow), 0);
    EXPECT_TRUE(narrow.empty());
}

TEST(TextConvert, AnsiIsCodePage936) {
    std::string ansi = "old";
    EXPECT_EQ(WideToAnsi(u"a\u4e2d", ansi), 1);
    EXPECT_EQ(ansi, "a\xD6\xD0");
    std::u16string wide = u"old";
    EXPECT_EQ(AnsiToWide("\xD6\xD0z", wide), 1);
    EXPECT_EQ(wide, u"\u4e2dz");
    // A character the code page cannot hold becomes one '?'.
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y", ansi), 1);
    EXPECT_EQ(ansi, "x?y");
}

TEST(TextConvert, Utf8BothWays) {
    std::u16string wide;
    EXPECT_EQ(Utf8ToWide("/\xE6\x88\x91\xE7\x9A\x84\xE7\xBD\x91\xE7\x9B\x98", wide), 1);
    EXPECT_EQ(wide, u"/我的网盘");
    std::string utf8;
    EXPECT_EQ(WideToUtf8(u"/我的网盘\U0001F600", utf8), 1);
    EXPECT_EQ(utf8, "/\xE6\x88\x91\xE7\x9A\x84\xE7\xBD\x91\xE7\x9B\x98\xF0\x9F\x98\x80");
}

TEST(TextConvert, EmptyInputAndEmbeddedZeros) {
    std::u16string wide = u"old";
    EXPECT_EQ(Utf8ToWide("", wide), 1);
    EXPECT_TRUE(wide.empty());
    // The pointer form stops at the first zero; the view form takes it along.
    const char* withZero = "a\0b";
    EXPECT_EQ(Utf8ToWide(withZero, wide), 1);
    EXPECT_EQ(wide, u"a");
    EXPECT_EQ(Utf8ToWide("a\0b"s, wide), 1);
    EXPECT_EQ(wide, u"a\0b"s);
    std::string narrow;
    EXPECT_EQ(WideToAnsi(u"a\0b"s, narrow), 1);
    EXPECT_EQ(narrow, "a\0b"s);
}

}  // namespace
}  // namespace tools
