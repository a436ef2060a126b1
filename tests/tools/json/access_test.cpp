// Object and array access, ownership, the shared empty member and the exceptions.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "json/json.h"
#include "json_test_util.h"

using namespace Script;
using json_test::CountedString;
using json_test::ParseExact;

class JsonOwnership : public ::testing::Test {
protected:
    void SetUp() override { CountedString::s_Live = 0; }
    void TearDown() override { EXPECT_EQ(CountedString::s_Live, 0) << "leaked or kept"; }
};

TEST_F(JsonOwnership, SetMemberInsertsReplacesAndRemoves) {
    JsonObjectObject object;
    auto* first = new CountedString("1");
    object.SetMember("a", first);
    EXPECT_EQ(object.GetMember("a").GetValue(), first);
    EXPECT_EQ(object.GetMember("a").GetType(), kJsonScalar);

    object.SetMember("a", first);  // the same value again: kept, not destroyed
    EXPECT_EQ(CountedString::s_Live, 1);
    EXPECT_EQ(object.GetMember("a").GetValue()->GetString(), "1");

    object.SetMember("a", new JsonArray());  // replaced: the old value is destroyed
    EXPECT_EQ(CountedString::s_Live, 0);
    EXPECT_EQ(object.GetMember("a").GetType(), kJsonArray);

    object.SetMember("o", new JsonObjectObject());
    EXPECT_EQ(object.GetMember("o").GetType(), kJsonObject);
    object.SetMember("o", nullptr);  // removes the member
    EXPECT_EQ(&object.GetMember("o"), &JsonObjectObject().GetMember("missing"));

    object.SetMember("n", nullptr);  // an absent name is inserted even without a value
    EXPECT_EQ(object.GetMember("n").GetType(), kJsonNone);
    EXPECT_EQ(object.ToString(), R"({ "a" : [  ] , "n" : null })");

    object.SetMember("kept", new CountedString());
    object.SetMember("kept2", new CountedString());
    EXPECT_EQ(CountedString::s_Live, 2);  // destroyed with the object at the end
}

TEST_F(JsonOwnership, SetMemberThatThrowsStillDestroysTheValue) {
    JsonObjectObject object;
    EXPECT_THROW(object.SetMember(nullptr, new CountedString()), JsonInvalidateParamException);
    EXPECT_THROW(object.SetMember("", new CountedString()), JsonInvalidateParamException);
    JsonArray array;
    EXPECT_THROW(array.SetMember("a", new CountedString()), JsonUnsupportException);
    EXPECT_EQ(CountedString::s_Live, 0);
}

TEST_F(JsonOwnership, SetAtAppendsReplacesAndChecksTheIndex) {
    JsonArray array;
    array.SetAt(0, new CountedString("0"));
    array.SetAt(array.Size(), new CountedString("1"));
    EXPECT_EQ(array.Size(), 2);

    try {
        array.SetAt(array.Size() + 1, new CountedString());
        FAIL() << "index past the end accepted";
    } catch (const JsonInvalidateIndexException& e) {
        EXPECT_EQ(e.GetIndex(), 3);
    }
    EXPECT_THROW(array.SetAt(-1, new CountedString()), JsonInvalidateIndexException);
    EXPECT_THROW(array.SetAt(0, nullptr), JsonNullPointerException);
    EXPECT_EQ(CountedString::s_Live, 2);

    array.SetAt(0, new JsonObjectString("new"));  // replaced: the old one is destroyed
    EXPECT_EQ(CountedString::s_Live, 1);
    JsonObject* same = array.GetAt(1);
    array.SetAt(1, same);
    EXPECT_EQ(CountedString::s_Live, 1);
    EXPECT_EQ(array.ToString(), R"([ "new" , "1" ])");

    try {
        (void)array.GetAt(2);
        FAIL() << "index past the end accepted";
    } catch (const JsonInvalidateIndexException& e) {
        EXPECT_EQ(e.GetIndex(), 2);
    }
    EXPECT_THROW((void)std::as_const(array).GetAt(-1), JsonInvalidateIndexException);
}

TEST_F(JsonOwnership, SetValueHandsBackThePreviousValue) {
    CountedString owned;
    JsonMember member("m", nullptr);
    EXPECT_EQ(member.SetValue(&owned), nullptr);
    EXPECT_EQ(member.GetType(), kJsonScalar);
    EXPECT_EQ(member.SetValue(nullptr), &owned);  // returned, not destroyed
    EXPECT_EQ(member.GetType(), kJsonNone);
    EXPECT_EQ(CountedString::s_Live, 1);
}

TEST(JsonAccess, MissingNameYieldsTheSharedEmptyMember) {
    auto reply = ParseExact(R"({"errno":"0"})");
    const JsonMember& missing = reply->GetMember("token");
    EXPECT_EQ(&missing, &std::as_const(*reply).GetMember("other"));
    EXPECT_EQ(missing.GetName(), "");
    EXPECT_EQ(missing.GetType(), kJsonNone);
    EXPECT_THROW((void)missing.GetValue(), JsonUnsupportException);
    EXPECT_THROW((void)missing.Size(), JsonNullPointerException);
    EXPECT_THROW((void)missing.GetAt(0), JsonNullPointerException);

    // It cannot be changed through the non-const lookup.
    JsonMember& shared = reply->GetMember("token");
    JsonObjectString value("v");
    EXPECT_THROW(shared.SetValue(&value), JsonUnsupportException);
    ParseInfo info("\"a\":1", 5);
    EXPECT_THROW(shared.Parse(info), JsonUnsupportException);
    EXPECT_THROW((void)reply->GetMember("token").GetValue(), JsonUnsupportException);

    EXPECT_THROW((void)reply->GetMember(nullptr), JsonInvalidateParamException);
    EXPECT_THROW((void)reply->GetMember(""), JsonInvalidateParamException);
}

TEST(JsonAccess, MemberForwardsToItsArray) {
    auto reply = ParseExact(R"({"list":["a","b"],"s":"x"})");
    const JsonMember& list = reply->GetMember("list");
    EXPECT_EQ(list.Size(), 2);
    EXPECT_EQ(list.GetAt(1)->GetString(), "b");
    EXPECT_THROW((void)list.GetAt(2), JsonInvalidateIndexException);
    EXPECT_THROW((void)reply->GetMember("s").Size(), JsonUnsupportException);
    EXPECT_THROW((void)reply->GetMember("s").GetAt(0), JsonUnsupportException);
}

TEST(JsonAccess, OperationsAClassDoesNotOffer) {
    JsonObjectString scalar("s");
    EXPECT_THROW((void)scalar.GetMember("a"), JsonUnsupportException);
    EXPECT_THROW((void)std::as_const(scalar).GetMember("a"), JsonUnsupportException);
    EXPECT_EQ(JsonArray().GetString(), "");
    EXPECT_EQ(JsonObjectObject().GetString(), "");
    EXPECT_EQ(scalar.GetType(), kJsonNone);
}

TEST(JsonAccess, ExceptionsCarryTheSourceFileAndLineWhereTheyWereRaised) {
    try {
        (void)ParseExact("  7");
        FAIL();
    } catch (const JsonException& e) {
        EXPECT_NE(std::string(e.GetFile()).find("tools/json/src/"), std::string::npos)
            << e.GetFile();
        EXPECT_GT(e.GetLine(), 0);
    }
    const int line = __LINE__ + 1;
    const JsonUnsupportException here;
    EXPECT_EQ(here.GetLine(), line);
    EXPECT_NE(std::string(here.GetFile()).find("access_test.cpp"), std::string::npos);
}

#if defined(__GXX_ABI_VERSION)
namespace {

// The vtable slot of a virtual member function, from its pointer-to-member form in the
// Itanium C++ ABI (1 + the byte offset in the vtable).
template <typename Function>
long Slot(Function function) {
    static_assert(sizeof(Function) == 2 * sizeof(std::uintptr_t));
    std::uintptr_t words[2];
    std::memcpy(words, &function, sizeof words);
    EXPECT_EQ(words[0] & 1, 1u) << "not virtual";
    return static_cast<long>((words[0] - 1) / sizeof(void*));
}

}  // namespace

TEST(JsonAccess, VirtualOperationsKeepTheirSlotOrder) {
    // Slots 0 and 1 hold the destructor.
    EXPECT_EQ(Slot(&JsonObject::ToString), 2);
    EXPECT_EQ(Slot(static_cast<void (JsonObject::*)(ParseInfo&)>(&JsonObject::Parse)), 3);
    EXPECT_EQ(
        Slot(static_cast<int (JsonObject::*)(const char*, int, int, int&)>(&JsonObject::Parse)), 4);
    EXPECT_EQ(Slot(static_cast<int (JsonObject::*)(const std::string&)>(&JsonObject::Parse)), 5);
    EXPECT_EQ(Slot(&JsonObject::GetType), 6);
    EXPECT_EQ(Slot(&JsonObject::SetMember), 7);
    EXPECT_EQ(Slot(static_cast<const JsonMember& (JsonObject::*)(const char*) const>(
                  &JsonObject::GetMember)),
              8);
    EXPECT_EQ(Slot(static_cast<JsonMember& (JsonObject::*)(const char*)>(&JsonObject::GetMember)),
              9);
    EXPECT_EQ(Slot(&JsonObject::GetString), 10);

    EXPECT_EQ(Slot(&JsonArray::Size), 11);
    EXPECT_EQ(Slot(&JsonArray::SetAt), 12);
    EXPECT_EQ(Slot(static_cast<const JsonObject* (JsonArray::*)(int) const>(&JsonArray::GetAt)),
              13);
    EXPECT_EQ(Slot(static_cast<JsonObject* (JsonArray::*)(int)>(&JsonArray::GetAt)), 14);
    EXPECT_EQ(Slot(&JsonMember::GetName), 11);
    EXPECT_EQ(Slot(&JsonMember::SetValue), 12);

    EXPECT_EQ(Slot(&ParseInfo::SkipSpaces), 2);
    EXPECT_EQ(Slot(&JsonException::GetFile), 2);
    EXPECT_EQ(Slot(&JsonException::GetLine), 3);
}
#endif
