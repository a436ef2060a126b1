// Parsing of well-formed (and tolerated) input.

#include <gtest/gtest.h>

#include "json/json.h"
#include "json_test_util.h"

using namespace Script;
using json_test::ParseExact;

namespace {

std::string Field(const JsonObject& object, const char* name) {
    return object.GetMember(name).GetValue()->GetString();
}

}  // namespace

TEST(JsonParse, TopLevelClassFollowsTheFirstNonBlankByte) {
    auto object = ParseExact(" \r\n\t{\"a\":\"1\"}");
    ASSERT_NE(dynamic_cast<JsonObjectObject*>(object.get()), nullptr);
    EXPECT_EQ(object->GetType(), kJsonNone);
    EXPECT_EQ(Field(*object, "a"), "1");

    auto array = ParseExact("[1]");
    ASSERT_NE(dynamic_cast<JsonArray*>(array.get()), nullptr);
    EXPECT_EQ(static_cast<JsonArray&>(*array).Size(), 1);
}

TEST(JsonParse, NothingToParseYieldsNull) {
    EXPECT_EQ(Parse(nullptr), nullptr);
    EXPECT_EQ(Parse(""), nullptr);
    EXPECT_EQ(Parse(" \t\r\n "), nullptr);
    EXPECT_EQ(Parse("{}", 0), nullptr);
    EXPECT_EQ(Parse("{}", -1), nullptr);
    EXPECT_EQ(Parse(nullptr, 2), nullptr);
}

TEST(JsonParse, TopLevelIgnoresWhatFollowsTheClosingBracket) {
    auto object = ParseExact("{}garbage");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ToString(), "{  }");
    EXPECT_EQ(ParseExact("[] ]]")->ToString(), "[  ]");
}

TEST(JsonParse, ScalarsKeepTheirLiteralText) {
    auto object = ParseExact(R"({"n":-1.5e3,"t":true,"z":null,"s":"x y","e":"","b":a})");
    EXPECT_EQ(Field(*object, "n"), "-1.5e3");
    EXPECT_EQ(Field(*object, "t"), "true");
    EXPECT_EQ(Field(*object, "z"), "null");
    EXPECT_EQ(Field(*object, "s"), "x y");
    EXPECT_EQ(Field(*object, "e"), "");
    EXPECT_EQ(Field(*object, "b"), "a");
    EXPECT_EQ(object->GetMember("n").GetType(), kJsonScalar);
}

TEST(JsonParse, BareTokenEndsOnlyAtSpaceCommaOrBracket) {
    // Tab, CR and LF are part of a bare token.
    EXPECT_EQ(Field(*ParseExact("{\"a\":12\n}"), "a"), "12\n");
    EXPECT_EQ(Field(*ParseExact("{\"a\":x\ty,\"b\":2}"), "a"), "x\ty");
    auto array = ParseExact("[a ,b]");
    EXPECT_EQ(static_cast<JsonArray&>(*array).GetAt(0)->GetString(), "a");
    EXPECT_EQ(static_cast<JsonArray&>(*array).GetAt(1)->GetString(), "b");
}

TEST(JsonParse, EscapesOfScalars) {
    auto object =
        ParseExact(R"({"a":"q\" s\/ b\\ \b\f\n\r\t","u":"\u0041\u4e2d\u4E2Dz","bare":x\"y})");
    EXPECT_EQ(Field(*object, "a"), "q\" s/ b\\ \b\f\n\r\t");
    // U+4E2D is D6 D0 in code page 936, upper- or lower-case hex alike.
    EXPECT_EQ(Field(*object, "u"), "A\xD6\xD0\xD6\xD0z");
    EXPECT_EQ(Field(*object, "bare"), "x\"y");
}

TEST(JsonParse, UnicodeEscapesTheCodePageCannotHold) {
    // Hangul and lone surrogates are not in code page 936: they yield nothing.
    EXPECT_EQ(Field(*ParseExact(R"({"a":"x\uac00y\ud83d\ude00z"})"), "a"), "xyz");
    // The text ends at the first NUL the escapes produce.
    EXPECT_EQ(Field(*ParseExact(R"({"a":"ab\u0000cd"})"), "a"), "ab");
}

TEST(JsonParse, RepeatedNameKeepsOneMemberWithTheLastValue) {
    auto object = ParseExact(R"({"a":1,"b":2,"a":[1]})");
    const JsonMember& a = object->GetMember("a");
    EXPECT_EQ(a.GetType(), kJsonArray);
    EXPECT_EQ(a.Size(), 1);
    EXPECT_EQ(object->ToString(), R"({ "a" : [ "1" ] , "b" : "2" })");

    auto back = ParseExact(R"({"a":{"x":1},"a":"s"})");
    EXPECT_EQ(back->GetMember("a").GetType(), kJsonScalar);
}

TEST(JsonParse, MemberKindsAndRawNames) {
    auto object = ParseExact(R"({"o":{"x":"1"},"l":[],"s":"v","q\"n":1})");
    EXPECT_EQ(object->GetMember("o").GetType(), kJsonObject);
    EXPECT_EQ(object->GetMember("l").GetType(), kJsonArray);
    EXPECT_EQ(object->GetMember("s").GetType(), kJsonScalar);
    EXPECT_EQ(Field(*object->GetMember("o").GetValue(), "x"), "1");
    // The name is kept with its escape as written.
    EXPECT_EQ(object->GetMember("q\\\"n").GetName(), "q\\\"n");
}

TEST(JsonParse, TrailingCommasAndEmptyContainers) {
    EXPECT_EQ(ParseExact(R"({"a":"1",})")->ToString(), R"({ "a" : "1" })");
    EXPECT_EQ(ParseExact("[1,]")->ToString(), R"([ "1" ])");
    EXPECT_EQ(ParseExact("{ }")->ToString(), "{  }");
    EXPECT_EQ(ParseExact("[\r\n]")->ToString(), "[  ]");
}

TEST(JsonParse, WholeTextParsesIntoAnExistingValue) {
    JsonObjectObject object;
    EXPECT_EQ(object.Parse(std::string(" {\"a\":1} \n")), 10);
    EXPECT_EQ(object.ToString(), R"({ "a" : "1" })");
    // Members are added to what the value already holds.
    object.Parse(std::string("{\"b\":2}"));
    EXPECT_EQ(object.ToString(), R"({ "a" : "1" , "b" : "2" })");

    const char buffer[] = "xx[1, 2] ";
    JsonArray array;
    int consumed = -1;
    EXPECT_EQ(array.Parse(buffer, 2, 9, consumed), 7);
    EXPECT_EQ(consumed, 7);
    EXPECT_EQ(array.Size(), 2);

    JsonObjectString scalar;
    scalar.Parse(std::string("\"\\u4e2d\""));
    EXPECT_EQ(scalar.GetString(), "\xD6\xD0");
}

TEST(JsonParse, SkipSpacesCountsLinesAndColumns) {
    const char text[] = " \t\r\n  x";
    ParseInfo info(text, 7);
    info.SkipSpaces();
    EXPECT_EQ(info.m_Position, 6);
    // CR and LF are two lines.
    EXPECT_EQ(info.m_Line, 3);
    EXPECT_EQ(info.m_Column, 3);
    info.m_Position = 7;
    info.SkipSpaces();  // at the end: stays
    EXPECT_EQ(info.m_Position, 7);
}
