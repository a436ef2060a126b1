// The request layer against scripted servers: the second pass after a 401, which replies
// are read and how, failures, and the log records of an exchange.

#include <gtest/gtest.h>

#include <string>

#include "net/auth_header.h"
#include "net/http_request.h"
#include "net_test_support.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

using norvel::test::Answer;
using norvel::test::HttpReply;
using norvel::test::ScriptedServer;
using norvel::test::Stall;

namespace {

std::string Unauthorized(const std::string& nonce) {
    return HttpReply(401, R"({"errno":"401"})",
                     {R"(KDW-Auth: AccessToken realm="norvel", Nonce=")" + nonce + "\""});
}

struct Outcome {
    bool hasReply = false;
    std::string reply;
    size_t length = 0;
    int status = 0;
};

class HttpRequestTest : public net_test::NetTest {
protected:
    Outcome Post(uint16_t port, std::optional<std::string_view> body = "username=alice",
                 std::u16string_view path = u"/app/pc/user.init.php", bool async = false) {
        net::HttpRequestInfo info;
        net::InitRequestInfo(info, u"127.0.0.1", port);
        Outcome outcome;
        outcome.length = 12345;
        const net::ReplyBuffer reply =
            async ? net::GetJSONDataFromURL(settings::GetHeaderText(), outcome.length, info, path,
                                            body, nullptr)
                  : net::HTTPRequest(settings::GetHeaderText(), outcome.length, info, path, body);
        outcome.hasReply = reply != nullptr;
        if (reply) {
            outcome.reply.assign(reply.get(), outcome.length);
            EXPECT_EQ(reply[outcome.length], '\0');
        }
        outcome.status = info.m_StatusCode;
        return outcome;
    }
};

}  // namespace

TEST_F(HttpRequestTest, UnauthorizedTwiceSendsExactlyTwoRequestsTheSecondSignedWithTheFirstNonce) {
    ScriptedServer server({Answer(Unauthorized("first")), Answer(Unauthorized("second"))});
    const Outcome outcome = Post(server.Port());
    EXPECT_FALSE(outcome.hasReply);
    EXPECT_EQ(outcome.length, 0u);
    EXPECT_EQ(outcome.status, 401);
    EXPECT_EQ(net::GetServerNonce(), "second");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(net_test::HeaderOf(requests[0], "KDW-Auth").find(", Nonce=, "), std::string::npos);
    const std::string auth = net_test::HeaderOf(requests[1], "KDW-Auth");
    EXPECT_NE(auth.find("AccessToken ClientID=c0ffee, Digest="), std::string::npos);
    EXPECT_NE(auth.find(", Nonce=first, Created="), std::string::npos);
    const std::string created = auth.substr(auth.find("Created=") + 8);
    EXPECT_NE(
        auth.find("Digest=" + net_test::Md5HexOf(net_test::Md5HexOf("s3cretfirst") + created)),
        std::string::npos);
    EXPECT_EQ(net_test::BodyOf(requests[1]), "username=alice");
}

TEST_F(HttpRequestTest, UnauthorizedThenSuccessReturnsTheSecondReply) {
    ScriptedServer server(
        {Answer(Unauthorized("n1")), Answer(HttpReply(200, R"({"challenge":"c"})"))});
    const Outcome outcome = Post(server.Port());
    EXPECT_EQ(outcome.status, 200);
    EXPECT_EQ(outcome.reply, R"({"challenge":"c"})");
    EXPECT_EQ(server.Connections(), 2u);
    // The next request is signed with that nonce from the start.
    ScriptedServer next({Answer(HttpReply(200, "{}"))});
    Post(next.Port());
    EXPECT_NE(net_test::HeaderOf(next.Requests().at(0), "KDW-Auth").find(", Nonce=n1, "),
              std::string::npos);
}

TEST_F(HttpRequestTest, HeaderBlockGoesOutFollowedByTheSigningLine) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    Post(server.Port());
    const std::string head = net_test::HeadOf(server.Requests().at(0));
    const std::string block =
        "Accept: */*\r\nAccept-Language: zh-cn\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n"
        "User-Agent: Norvel_flinga/";
    ASSERT_NE(head.find(block), std::string::npos) << head;
    EXPECT_LT(head.find("User-Agent:"),
              head.find("KDW-Auth: AccessToken ClientID=c0ffee, Digest="));
    EXPECT_EQ(net_test::RequestLine(head), "POST /app/pc/user.init.php HTTP/1.1");
}

TEST_F(HttpRequestTest, BadRequestWithJsonIsReadLikeSuccess) {
    ScriptedServer server({Answer(HttpReply(400, R"({"errno":"6","error":"no account"})"))});
    const Outcome outcome = Post(server.Port());
    EXPECT_EQ(outcome.status, 400);
    EXPECT_EQ(outcome.reply, R"({"errno":"6","error":"no account"})");
}

TEST_F(HttpRequestTest, LongReplyWithoutLengthArrivesWhole) {
    std::string reply(150000, 'x');
    reply.front() = '{';
    reply.back() = '}';
    ScriptedServer server({Answer(HttpReply(200, reply, {}, false)),
                           Answer(norvel::test::ChunkedHttpReply(200, reply, 4096))});
    for (bool async : {false, true}) {
        const Outcome outcome = Post(server.Port(), "x=1", u"/app/pc/user.info.php", async);
        EXPECT_EQ(outcome.status, 200);
        EXPECT_EQ(outcome.length, reply.size());
        EXPECT_TRUE(outcome.reply == reply);
    }
}

TEST_F(HttpRequestTest, OtherStatusesGiveNoReply) {
    ScriptedServer server({Answer(HttpReply(500, R"({"errno":"9"})")),
                           Answer(HttpReply(404, "missing")), Answer(HttpReply(200, ""))});
    Outcome outcome = Post(server.Port());
    EXPECT_FALSE(outcome.hasReply);
    EXPECT_EQ(outcome.length, 0u);
    EXPECT_EQ(outcome.status, 500);
    outcome = Post(server.Port());
    EXPECT_FALSE(outcome.hasReply);
    EXPECT_EQ(outcome.status, 404);
    // An empty 200 reply is a reply of length 0.
    outcome = Post(server.Port());
    EXPECT_TRUE(outcome.hasReply);
    EXPECT_EQ(outcome.length, 0u);
    EXPECT_EQ(outcome.status, 200);
}

TEST_F(HttpRequestTest, RefusedConnectionGivesMinusOneAndOneConnectionRecord) {
    const Outcome outcome = Post(net_test::RefusingPort(), "token=xyz&user=u");
    EXPECT_FALSE(outcome.hasReply);
    EXPECT_EQ(outcome.length, 0u);
    EXPECT_EQ(outcome.status, -1);
    const auto records = LogRecords("[SYS_Connection]");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("[L2_VIM]"), std::string::npos);
    EXPECT_NE(records[0].find("[RESULT: FALSE]"), std::string::npos);
    EXPECT_NE(records[0].find("ERROR_CODE=12029"), std::string::npos);
    EXPECT_NE(records[0].find("InternetConnect Error in HTTPRequest"), std::string::npos);
    EXPECT_NE(records[0].find("body=token=***&user=u"), std::string::npos);
    EXPECT_EQ(records[0].find("xyz"), std::string::npos);
    EXPECT_TRUE(LogRecords("[HTTPRequest]").empty());
}

TEST_F(HttpRequestTest, ExchangeRecordsHideSecrets) {
    ScriptedServer server(
        {Answer(HttpReply(200, R"({"errno":"0","token":"T0KEN9","name":"a%20b"})")),
         Answer(HttpReply(400, R"({"secret":"S3CR3T"})"))});
    // Secrets that cannot occur in the hex digests of the signing line.
    Post(server.Port(), "token=xyz%26qrs&crypt=0f1e2d&username=alice");
    Post(server.Port(), std::nullopt);
    const auto records = LogRecords("[HTTPRequest]");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].find("[L4_INF]"), std::string::npos);
    EXPECT_NE(records[0].find("[RESULT: TRUE]"), std::string::npos);
    EXPECT_NE(records[0].find("http_code=200 ; Header=Accept: */*"), std::string::npos);
    EXPECT_NE(records[0].find("Body=token=***&crypt=***&username=alice"), std::string::npos);
    EXPECT_NE(records[0].find(R"(pChar={"errno":"0","token":"***","name":"a b"})"),
              std::string::npos);
    for (const char* secret : {"xyz", "qrs", "0f1e2d", "T0KEN9"})
        EXPECT_EQ(records[0].find(secret), std::string::npos) << secret;
    EXPECT_NE(records[1].find("[L2_VIM]"), std::string::npos);
    EXPECT_NE(records[1].find("[RESULT: FALSE]"), std::string::npos);
    EXPECT_NE(records[1].find("http_code=400"), std::string::npos);
    EXPECT_NE(records[1].find(R"(Body="")"), std::string::npos);
    EXPECT_EQ(records[1].find("S3CR3T"), std::string::npos);
}

TEST_F(HttpRequestTest, BrokenOffReplyKeepsWhatCameOnlyInTheSynchronousRoutine) {
    const std::string cut = HttpReply(200, std::string(100, 'x')).substr(0, 90);
    ScriptedServer server({Answer(cut)});
    Outcome outcome = Post(server.Port());
    EXPECT_EQ(outcome.status, -1);
    EXPECT_TRUE(outcome.hasReply);
    EXPECT_GT(outcome.length, 0u);
    EXPECT_LT(outcome.length, 100u);
    outcome = Post(server.Port(), "x=1", u"/app/pc/sync.upauth.php", true);
    EXPECT_EQ(outcome.status, -1);
    EXPECT_FALSE(outcome.hasReply);
    EXPECT_EQ(outcome.length, 0u);
}

TEST_F(HttpRequestTest, ClaimedAndRealSizesOfRepliesAreBounded) {
    // A length no reply has is not taken as the size of a buffer; a reply of more than
    // 64 MiB counts as broken.
    std::string endless(size_t(65) << 20, ' ');
    endless.front() = '{';
    ScriptedServer server(
        {Answer("HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\n{\"errno\":0}"),
         Answer(HttpReply(200, endless, {}, false))});
    Outcome outcome = Post(server.Port());
    EXPECT_EQ(outcome.status, -1);
    EXPECT_EQ(outcome.reply, "{\"errno\":0}");
    outcome = Post(server.Port());
    EXPECT_EQ(outcome.status, -1);
    EXPECT_LE(outcome.length, size_t(64) << 20);
    // Its log record holds the first 256 KiB and the size.
    const auto records = LogRecords("[HTTPRequest]");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_LT(records[1].size(), 300000u);
    EXPECT_NE(records[1].find("...(" + std::to_string(outcome.length) + " bytes)"),
              std::string::npos);
}

TEST_F(HttpRequestTest, ReceiveTimeOutGivesMinusOne) {
    ScriptedServer server({Stall()});
    auto timings = ShortTimings();
    timings.requestTimeoutMs = 300;
    net::SetTransportTimings(timings);
    net_test::Stopwatch watch;
    const Outcome outcome = Post(server.Port(), "x=1", u"/app/pc/sync.upauth.php", true);
    EXPECT_LT(watch.ElapsedMs(), 3000);
    EXPECT_EQ(outcome.status, -1);
    EXPECT_FALSE(outcome.hasReply);
    const auto records = LogRecords("[HTTPRequest]");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("http_code=-1"), std::string::npos);
}

TEST_F(HttpRequestTest, DescriptorFromAConfiguredHost) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    settings::ServiceHost host;
    ASSERT_TRUE(settings::ParseServiceHost(
        net_test::Wide("http://127.0.0.1:" + std::to_string(server.Port()) + "/api"), host));
    net::HttpRequestInfo info;
    info.m_StatusCode = 7;
    net::InitRequestInfo(info, host, u"user", u"pass");
    EXPECT_EQ(info.m_Method, u"POST");
    EXPECT_EQ(info.m_StatusCode, -1);
    EXPECT_EQ(info.m_Timeout, 5000u);
    EXPECT_EQ(info.m_Port, server.Port());
    EXPECT_EQ(info.m_BasePath, u"/api");
    size_t length = 0;
    const net::ReplyBuffer reply =
        net::HTTPRequest(u"", length, info, u"app/stat/stat.php", "opt=1");
    EXPECT_EQ(info.m_StatusCode, 200);
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(net_test::RequestLine(request), "POST /api/app/stat/stat.php HTTP/1.1");
    EXPECT_EQ(net_test::HeaderOf(request, "Authorization"), "Basic dXNlcjpwYXNz");
}
