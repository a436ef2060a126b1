// The exact bytes of the writer.

#include <gtest/gtest.h>

#include "json/json.h"
#include "json_test_util.h"

using namespace Script;
using json_test::ParseExact;

namespace {

std::string Rewrite(const std::string& text) {
    return ParseExact(text)->ToString();
}

}  // namespace

TEST(JsonWriter, MembersAreWrittenInByteOrderOfTheirNames) {
    EXPECT_EQ(Rewrite(R"({"b":"2","a":"1"})"), R"({ "a" : "1" , "b" : "2" })");
    // Compared as unsigned bytes: upper case before lower case before UTF-8 lead bytes.
    EXPECT_EQ(Rewrite("{\"\xE4\xB8\xAD\":1,\"z\":2,\"Z\":3,\"ab\":4,\"a\":5}"),
              "{ \"Z\" : \"3\" , \"a\" : \"5\" , \"ab\" : \"4\" , \"z\" : \"2\" , "
              "\"\xE4\xB8\xAD\" : \"1\" }");

    JsonObjectObject built;
    built.SetMember("path", new JsonObjectString("/a"));
    built.SetMember("Name", new JsonObjectString("n"));
    EXPECT_EQ(built.ToString(), R"({ "Name" : "n" , "path" : "\/a" })");
}

TEST(JsonWriter, ScalarsAreAlwaysQuoted) {
    EXPECT_EQ(Rewrite(R"({"errno":0})"), R"({ "errno" : "0" })");
    EXPECT_EQ(Rewrite(R"([true, null, -1.5e3, "x"])"), R"([ "true" , "null" , "-1.5e3" , "x" ])");
}

TEST(JsonWriter, EmptyContainersAndNesting) {
    EXPECT_EQ(JsonObjectObject().ToString(), "{  }");
    EXPECT_EQ(JsonArray().ToString(), "[  ]");
    EXPECT_EQ(Rewrite(R"({"a":{},"b":[],"c":[{"d":[1,[]]}]})"),
              R"({ "a" : {  } , "b" : [  ] , "c" : [ { "d" : [ "1" , [  ] ] } ] })");
}

TEST(JsonWriter, EscapesOnlyTabLineBreaksQuoteSlashAndBackslash) {
    const std::string text = "t\tn\nr\rq\"s/b\\ \b\x01\x7F\xD6\xD0\f";
    EXPECT_EQ(JsonObjectString(text).ToString(),
              "\"t\\tn\\nr\\rq\\\"s\\/b\\\\ \b\x01\x7F\xD6\xD0\f\"");
    EXPECT_EQ(JsonObjectString().ToString(), "\"\"");
}

TEST(JsonWriter, MemberNameAsStoredAndNullValue) {
    // The name stays raw: its escape is written back as it was read.
    EXPECT_EQ(Rewrite(R"({"a\"b":"v"})"), R"({ "a\"b" : "v" })");

    JsonObjectObject object;
    object.SetMember("none", nullptr);
    EXPECT_EQ(object.ToString(), R"({ "none" : null })");
    EXPECT_EQ(object.GetMember("none").ToString(), R"("none" : null)");
}

TEST(JsonWriter, WrittenTextParsesBackToTheSameText) {
    const std::string reply =
        "{\"errno\":0,\"list\":[{\"name\":\"a\\tb\\\\c\\/d\",\"size\":12},"
        "{\"name\":\"\\u4e2d\",\"size\":-1}],\"msg\":\"ok \\\"fine\\\"\"}";
    const std::string once = Rewrite(reply);
    EXPECT_EQ(Rewrite(once), once);
}

TEST(JsonWriter, ClassesDerivedFromOursAreWrittenByTheirBase) {
    JsonArray array;
    array.SetAt(0, new json_test::CountedString("c"));
    EXPECT_EQ(array.ToString(), R"([ "c" ])");
}
