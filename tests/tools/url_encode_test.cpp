#include "tools/url_encode.h"

#include <gtest/gtest.h>

namespace tools {
namespace {

using namespace std::string_literals;

TEST(UrlEncode, KeepsAsciiLettersAndDigitsOnly) {
    EXPECT_EQ(UrlEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(UrlEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(UrlEncode("-_.~*"), "%2D%5F%2E%7E%2A");
    EXPECT_EQ(UrlEncode("%+&="), "%25%2B%26%3D");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST(UrlEncode, EncodesHighBytesAndZeros) {
    EXPECT_EQ(UrlEncode("\xE4\xB8\xAD"), "%E4%B8%AD");  // UTF-8 of a CJK character
    EXPECT_EQ(UrlEncode("\xFF\x80\x7F"), "%FF%80%7F");
    EXPECT_EQ(UrlEncode("a\0b"s), "a%00b");
}

TEST(UrlEncode, KeepSetCopiesItsBytes) {
    EXPECT_EQ(UrlEncode("/disk/a.b c", "."), "%2Fdisk%2Fa.b+c");
    EXPECT_EQ(UrlEncode("/disk/a.b c", "./"), "/disk/a.b+c");
    EXPECT_EQ(UrlEncode("a b", " "), "a b");
    EXPECT_EQ(UrlEncode("a\0b"s, "\0"s), "a\0b"s);
    EXPECT_EQ(UrlEncode("a.b", ""), "a%2Eb");
}

TEST(UrlDecode, DecodesEscapesAndBlanks) {
    EXPECT_EQ(UrlDecode("a+b%2F"), "a b/");
    EXPECT_EQ(UrlDecode("%2f%2F%e4%B8%ad"), "//\xE4\xB8\xAD");
    EXPECT_EQ(UrlDecode("%00"), "\0"s);
    EXPECT_EQ(UrlDecode("%25%32%46"), "%2F");  // decoded once only
}

TEST(UrlDecode, RoundTripsEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(UrlDecode(UrlEncode(all)), all);
    EXPECT_EQ(UrlDecode(UrlEncode(all, "./-_")), all);
}

TEST(UrlDecode, IncompleteOrInvalidEscapesStayAsTheyAre) {
    EXPECT_EQ(UrlDecode("%"), "%");
    EXPECT_EQ(UrlDecode("abc%"), "abc%");
    EXPECT_EQ(UrlDecode("abc%4"), "abc%4");
    EXPECT_EQ(UrlDecode("%zz"), "%zz");
    EXPECT_EQ(UrlDecode("%4g%41"), "%4gA");
    EXPECT_EQ(UrlDecode("%%41"), "%A");
    EXPECT_EQ(UrlDecode("%+1"), "% 1");
    EXPECT_EQ(UrlDecode("% 1"), "% 1");
}

TEST(UrlDecode, NeverReadsPastTheText) {
    // The view ends right after "%4": the "1" behind it belongs to the next text.
    const std::string buffer = "x%41";
    EXPECT_EQ(UrlDecode(std::string_view(buffer.data(), 3)), "x%4");
    EXPECT_EQ(UrlDecode(std::string_view(buffer.data(), 2)), "x%");
}

}  // namespace
}  // namespace tools
