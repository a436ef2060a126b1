#include "platform/text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(TextConversion, GbkBytesOfCommonCharacters) {
    // U+4E2D is D6 D0 in code page 936.
    EXPECT_EQ(WideToAnsi(u"\u4e2d"), "\xD6\xD0");
    EXPECT_EQ(AnsiToWide("\xD6\xD0"), u"\u4e2d");
    EXPECT_EQ(CodePointToAnsi(0x4E2D), "\xD6\xD0");
    EXPECT_EQ(WideToAnsi(u"a/b c.txt"), "a/b c.txt");
    const std::u16string folder = u"/我的网盘/我收到的文件";
    EXPECT_EQ(AnsiToWide(WideToAnsi(folder)), folder);
}

TEST(TextConversion, UnmappableCharactersBecomeOneQuestionMarkEach) {
    // An emoji (a surrogate pair) and a Hangul syllable are not in GBK.
    EXPECT_EQ(WideToAnsi(u"a\U0001F600b\uAC00c"), "a?b?c");
    EXPECT_EQ(CodePointToAnsi(0x1F600), "");
    // A lone surrogate is not a character either.
    EXPECT_EQ(WideToAnsi(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x?y");
}

TEST(TextConversion, InvalidAnsiBytesAreReplacedWithoutReadingPastTheEnd) {
    // A GBK lead byte at the very end has no trail byte.
    EXPECT_EQ(AnsiToWide("a\xD6"), u"a\uFFFD");
    EXPECT_EQ(AnsiToWide(std::string_view("\xD6\xD0\xFF", 3)), u"\u4e2d\uFFFD");
}

TEST(TextConversion, Utf8RoundTripAndMalformedInput) {
    const std::u16string text = u"上传 \U0001F600 ok";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(u"\u4e2d"), "\xE4\xB8\xAD");
    // Cut-short sequence, stray continuation byte, overlong slash, encoded surrogate.
    EXPECT_EQ(Utf8ToWide("\xE4\xB8"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToWide("\x80z"), u"\uFFFDz");
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(TextConversion, EmbeddedNulIsKept) {
    const std::string ansi("a\0b", 3);
    EXPECT_EQ(AnsiToWide(ansi), std::u16string(u"a\0b", 3));
    EXPECT_EQ(WideToAnsi(std::u16string(u"\u4e2d\0b", 3)), std::string("\xD6\xD0\0b", 4));
}
