// Malformed input: the exception class, where it points, and nothing read past the text,
// leaked or left to recurse without bound.

#include <gtest/gtest.h>

#include <string>

#include "json/json.h"
#include "json_test_util.h"

using namespace Script;
using json_test::ParseExact;

namespace {

struct Location {
    int row;
    int column;
};

// Parses `text` through the top-level parse and returns where it was found malformed.
Location WrongFormatAt(const std::string& text) {
    try {
        (void)ParseExact(text);
    } catch (const JsonWrongFormatException& e) {
        return {e.GetRow(), e.GetColumn()};
    }
    ADD_FAILURE() << "no JsonWrongFormatException for: " << text;
    return {0, 0};
}

std::string Nested(int depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

}  // namespace

// A macro, so that a failure reports the line of the case.
#define EXPECT_WRONG_FORMAT_AT(text, expectedRow, expectedColumn)   \
    do {                                                            \
        const Location at = WrongFormatAt(text);                    \
        EXPECT_EQ(at.row, expectedRow) << "text: " << (text);       \
        EXPECT_EQ(at.column, expectedColumn) << "text: " << (text); \
    } while (0)

TEST(JsonMalformed, StructureFaultsPointAtTheOffendingByte) {
    EXPECT_WRONG_FORMAT_AT(R"({"a" : x y})", 1, 10);  // y is neither ',' nor '}'
    EXPECT_WRONG_FORMAT_AT("  7", 1, 3);              // neither '{' nor '['
    EXPECT_WRONG_FORMAT_AT(R"({"a":1)", 1, 7);        // end instead of '}'
    EXPECT_WRONG_FORMAT_AT("[1 2]", 1, 4);
    EXPECT_WRONG_FORMAT_AT("[1,2", 1, 5);
    EXPECT_WRONG_FORMAT_AT("[", 1, 2);
    EXPECT_WRONG_FORMAT_AT("[}]", 1, 2);
    EXPECT_WRONG_FORMAT_AT(R"({"a" 1})", 1, 6);  // no colon
    EXPECT_WRONG_FORMAT_AT(R"({"a":)", 1, 6);    // no value
    EXPECT_WRONG_FORMAT_AT(R"({"a":1 x})", 1, 8);
    EXPECT_WRONG_FORMAT_AT(R"({a:1})", 1, 2);     // a name must be quoted
    EXPECT_WRONG_FORMAT_AT(R"({"a\":1})", 1, 2);  // the name never closes
}

TEST(JsonMalformed, ScalarFaults) {
    EXPECT_WRONG_FORMAT_AT(R"({"a":"abc)", 1, 6);   // unterminated: at its quote
    EXPECT_WRONG_FORMAT_AT(R"(["ab\q"])", 1, 5);    // unknown escape: at the backslash
    EXPECT_WRONG_FORMAT_AT(R"([ab"c"])", 1, 4);     // bare token ends at a quote
    EXPECT_WRONG_FORMAT_AT("[1\\", 1, 3);           // backslash as the last byte
    EXPECT_WRONG_FORMAT_AT(R"(["\u4g2d"])", 1, 3);  // not four hex digits
    EXPECT_WRONG_FORMAT_AT(R"(["\u-12a"])", 1, 3);
    EXPECT_WRONG_FORMAT_AT(R"(["\u+12a"])", 1, 3);
    EXPECT_WRONG_FORMAT_AT(R"(["\u0x12"])", 1, 3);
}

TEST(JsonMalformed, ShortUnicodeEscapeAtTheEndOfAScalarIsMalformed) {
    // Fewer than four bytes between \u and the end of the scalar: the bytes after the
    // scalar are never taken for hex digits.
    EXPECT_WRONG_FORMAT_AT(R"(["\u4e"])", 1, 3);
    EXPECT_WRONG_FORMAT_AT(R"(["ab\u"])", 1, 5);
    EXPECT_WRONG_FORMAT_AT(R"([\u12])", 1, 2);
    EXPECT_WRONG_FORMAT_AT(R"({"a":"\u4e2"})", 1, 7);
    // At the very end of the text (the buffer holds no NUL after it).
    EXPECT_WRONG_FORMAT_AT("[1,\\u4", 1, 4);
    EXPECT_WRONG_FORMAT_AT("[\"\\u4e2", 1, 2);  // unterminated string first
}

TEST(JsonMalformed, RowsAndColumnsCountLineBreaks) {
    // CR and LF each start a row; the fault is the y.
    EXPECT_WRONG_FORMAT_AT("{\r\n\"a\":\n x y}", 4, 4);
    EXPECT_WRONG_FORMAT_AT("[\"a\nb\", x y]", 2, 7);  // so does a raw LF inside a string
    EXPECT_WRONG_FORMAT_AT("[\n\"a\\\nq\"]", 2, 3);   // backslash before a line break
}

TEST(JsonMalformed, WholeTextMustBeConsumed) {
    JsonObjectObject object;
    try {
        object.Parse(std::string("{}garbage"));
        FAIL() << "trailing bytes accepted";
    } catch (const JsonWrongFormatException& e) {
        EXPECT_EQ(e.GetRow(), 1);
        EXPECT_EQ(e.GetColumn(), 3);
    }

    // The buffer form counts the rows and columns before its start.
    const char buffer[] = "xx\n{\"a\":1} y";
    int consumed = 0;
    try {
        JsonObjectObject target;
        target.Parse(buffer, 3, 12, consumed);
        FAIL() << "trailing bytes accepted";
    } catch (const JsonWrongFormatException& e) {
        EXPECT_EQ(e.GetRow(), 2);
        EXPECT_EQ(e.GetColumn(), 9);
    }
}

TEST(JsonMalformed, CursorFaultsHaveTheirOwnClasses) {
    JsonObjectString scalar;
    try {
        scalar.Parse(std::string());
        FAIL();
    } catch (const JsonInvalidateIndexException& e) {
        EXPECT_EQ(e.GetIndex(), 0);
    }
    int consumed = 0;
    try {
        scalar.Parse("abc", 3, 3, consumed);
        FAIL();
    } catch (const JsonInvalidateIndexException& e) {
        EXPECT_EQ(e.GetIndex(), 3);
    }
    EXPECT_THROW(scalar.Parse(nullptr, 0, 1, consumed), JsonNullPointerException);
    EXPECT_THROW(scalar.Parse("abc", 0, -1, consumed), JsonInvalidateParamException);

    ParseInfo noText(nullptr, 4);
    EXPECT_THROW(scalar.Parse(noText), JsonNullPointerException);
    ParseInfo negative("abc", -1);
    EXPECT_THROW(scalar.Parse(negative), JsonInvalidateParamException);
    ParseInfo outside("abc", 3);
    outside.m_Position = 3;
    EXPECT_THROW(JsonMember().Parse(outside), JsonInvalidateIndexException);
}

TEST(JsonMalformed, NestingIsBounded) {
    EXPECT_NO_THROW((void)ParseExact(Nested(kMaxJsonDepth)));
    EXPECT_WRONG_FORMAT_AT(Nested(kMaxJsonDepth + 1), 1, kMaxJsonDepth + 1);

    std::string objects;
    for (int i = 0; i < kMaxJsonDepth; ++i)
        objects += "{\"a\":";
    EXPECT_WRONG_FORMAT_AT(objects + "[", 1, static_cast<int>(objects.size()) + 1);
    // Far deeper than any stack would hold, unclosed: rejected, not recursed into.
    EXPECT_WRONG_FORMAT_AT(std::string(1000000, '['), 1, kMaxJsonDepth + 1);
}

TEST(JsonMalformed, EveryCutOfAReplyThrowsOrParsesWithoutReadingPastIt) {
    const std::string reply =
        "{\"errno\":0, \"list\":[{\"path\":\"\\/a\\u4e2d\",\"size\":12,\"x\":[1,{}]},"
        "\"s\\\\\"], \"msg\":\"ok\"}";
    for (size_t length = 1; length <= reply.size(); ++length) {
        const std::string cut = reply.substr(0, length);
        try {
            auto value = ParseExact(cut);
            ASSERT_TRUE(value != nullptr);
            EXPECT_EQ(length, reply.size()) << cut;
        } catch (const JsonWrongFormatException&) {
            EXPECT_LT(length, reply.size()) << cut;
        }
    }
}

TEST(JsonMalformed, FaultDeepInsideFreesWhatWasBuiltAndKeepsTheTarget) {
    // Run under LeakSanitizer: the half-built members and elements must be freed.
    EXPECT_THROW((void)ParseExact(R"({"a":{"b":[1,{"c":"x"},{"d":"\q"}]}})"),
                 JsonWrongFormatException);
    EXPECT_THROW((void)ParseExact(R"([[1,2],{"a":[3,"\u12"]}])"), JsonWrongFormatException);

    JsonObjectObject target;
    EXPECT_THROW(target.Parse(std::string(R"({"a":"1","b":[2,\q]})")), JsonWrongFormatException);
    EXPECT_EQ(target.ToString(), R"({ "a" : "1" })");
}
