// The action base: reading "errno", the code of every exception, and the common request
// pattern.

#include <gtest/gtest.h>

#include <memory>

#include "json/json.h"
#include "net/action.h"
#include "net_test_support.h"
#include "settings/service_hosts.h"

using norvel::test::Answer;
using norvel::test::HttpReply;
using norvel::test::ScriptedServer;

namespace {

std::unique_ptr<Script::JsonObject> Parsed(const char* text) {
    return std::unique_ptr<Script::JsonObject>(Script::Parse(text));
}

// Opens the protected members of the base for the tests.
class TestAction : public net::CAction {
public:
    using net::CAction::PostForm;
    using net::CAction::RecordException;
};

class ActionTest : public net_test::NetTest {
protected:
    static settings::ServiceHost Local(uint16_t port) {
        settings::ServiceHost host;
        host.host = u"127.0.0.1";
        host.port = port;
        return host;
    }
};

}  // namespace

TEST(CActionGetErrno, ReadsTheLeadingDigitsOfErrno) {
    TestAction action;
    action.m_ErrorCode = 200;
    EXPECT_EQ(action.GetErrno(Parsed(R"({"errno":"3"})").get()), 3);
    EXPECT_EQ(action.GetErrno(Parsed(R"({"errno":3})").get()), 3);
    EXPECT_EQ(action.GetErrno(Parsed(R"({"errno":"12abc"})").get()), 12);
    EXPECT_EQ(action.GetErrno(Parsed(R"({"errno":"x"})").get()), 0);
    EXPECT_EQ(action.GetErrno(nullptr), 0);
}

TEST(CActionGetErrno, UnreadableErrnoGivesTheErrorCodeUnchanged) {
    TestAction action;
    action.m_ErrorCode = 400;
    EXPECT_EQ(action.GetErrno(Parsed(R"({"error":"none"})").get()), 400);
    EXPECT_EQ(action.GetErrno(Parsed(R"([1,2])").get()), 400);
    EXPECT_EQ(action.m_ErrorCode, 400);
}

TEST(ExceptionCode, EveryExceptionHasItsCode) {
    auto code = [](auto exception) {
        return net::ExceptionCode(std::make_exception_ptr(exception));
    };
    EXPECT_EQ(code(Script::JsonOverflowException()), 2001);
    EXPECT_EQ(code(Script::JsonNullPointerException()), 2002);
    EXPECT_EQ(code(Script::JsonInvalidateIndexException(4)), 2003);
    EXPECT_EQ(code(Script::JsonInvalidateParamException()), 2004);
    EXPECT_EQ(code(Script::JsonUnsupportException()), 2005);
    EXPECT_EQ(code(Script::JsonUnimplementException()), 2006);
    EXPECT_EQ(code(Script::JsonWrongFormatException(1, 2)), 2007);
    EXPECT_EQ(code(Script::JsonMemberNotFoundException()), 2008);
    EXPECT_EQ(code(Script::JsonException()), 2009);
    EXPECT_EQ(code(std::runtime_error("other")), -1);
    EXPECT_EQ(code(42), -1);
    EXPECT_EQ(net::ExceptionCode(nullptr), -1);
}

TEST(ExceptionCode, RecordedFromInsideACatchBlock) {
    TestAction action;
    const auto reply = Parsed(R"({"seed":"s"})");
    try {
        reply->GetMember("secret").GetValue()->GetString();
    } catch (...) {
        action.RecordException();
    }
    EXPECT_EQ(action.m_ErrorCode, 2005);
}

TEST_F(ActionTest, BadRequestReplyReachesTheAction) {
    ScriptedServer server({Answer(HttpReply(400, R"({"errno":"6","error":"not bound"})"))});
    TestAction action;
    const auto reply =
        action.PostForm(Local(server.Port()), u"/app/pc/sina_weibo.php ", "action=account_status");
    ASSERT_TRUE(reply);
    EXPECT_EQ(action.m_ErrorCode, 400);
    EXPECT_EQ(action.GetErrno(reply.get()), 6);
    EXPECT_EQ(reply->GetMember("error").GetValue()->GetString(), "not bound");
}

TEST_F(ActionTest, NoReplyLeavesTheStatusAndMalformedRepliesTheirCode) {
    ScriptedServer server({Answer(HttpReply(500, R"({"errno":"1"})")), Answer(HttpReply(200, "")),
                           Answer(HttpReply(200, "not json"))});
    TestAction action;
    EXPECT_FALSE(action.PostForm(Local(server.Port()), u"/a", "x=1"));
    EXPECT_EQ(action.m_ErrorCode, 500);
    EXPECT_FALSE(action.PostForm(Local(server.Port()), u"/a", "x=1"));
    EXPECT_EQ(action.m_ErrorCode, 200);
    EXPECT_FALSE(action.PostForm(Local(server.Port()), u"/a", "x=1"));
    EXPECT_EQ(action.m_ErrorCode, 2007);
    EXPECT_FALSE(action.PostForm(Local(net_test::RefusingPort()), u"/a", "x=1"));
    EXPECT_EQ(action.m_ErrorCode, -1);
}
