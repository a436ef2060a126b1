// The channel's steps against scripted servers: what goes on the wire, how replies are
// read, and how failures are told apart.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/async_http_channel.h"
#include "net/internet_errors.h"
#include "net_test_support.h"
#include "settings/service_hosts.h"

using norvel::test::Answer;
using norvel::test::Deaf;
using norvel::test::HttpReply;
using norvel::test::ScriptedServer;
using norvel::test::Stall;

namespace {

class ChannelTest : public net_test::NetTest {
protected:
    // A channel opened as the upload engine opens one, connected to 127.0.0.1:port.
    bool Begin(net::AsyncHttpChannel& channel, uint16_t port,
               std::u16string_view path = u"/up/up_init") {
        channel.Create(nullptr);
        return channel.Open(u"Norvel") && channel.ApplyOptions() && channel.AttachCallback() &&
               channel.Connect(u"127.0.0.1", port) && channel.OpenRequest(u"POST", path);
    }
    // The whole reply body through Read in pieces of the given size; the piece sizes too.
    static std::string ReadAll(net::AsyncHttpChannel& channel, size_t piece,
                               std::vector<size_t>* sizes = nullptr) {
        std::string all(piece, '\0');
        std::string reply;
        for (;;) {
            size_t got = 0;
            EXPECT_TRUE(channel.Read(all.data(), piece, got));
            if (sizes)
                sizes->push_back(got);
            if (got == 0)
                return reply;
            reply.append(all.data(), got);
        }
    }
};

}  // namespace

TEST_F(ChannelTest, RequestGoesOutAsGiven) {
    ScriptedServer server({Answer(HttpReply(200, R"({"kdw_upcmd":"UPSTAT"})"))});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port(), u"up/up_seginfo"));
    ASSERT_TRUE(
        channel.SendRequest(u"Accept: */*\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                            u"X-Two: 2\r\nX-Two: 2\r\n",
                            "kdw_a=1&kdw_b=2"));
    ASSERT_TRUE(channel.EndRequest());
    EXPECT_EQ(channel.QueryStatusCode(), 200);
    char buffer[64];
    size_t length = 0;
    ASSERT_TRUE(channel.ReadOnce(buffer, sizeof buffer, length));
    EXPECT_EQ(std::string(buffer), R"({"kdw_upcmd":"UPSTAT"})");
    EXPECT_EQ(length, std::strlen(buffer));
    channel.Close();

    const std::string request = server.Requests().at(0);
    EXPECT_EQ(net_test::RequestLine(request), "POST /up/up_seginfo HTTP/1.1");
    EXPECT_EQ(net_test::HeaderOf(request, "Host"), "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(net_test::HeaderOf(request, "User-Agent"), "Norvel");
    EXPECT_EQ(net_test::HeaderOf(request, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(net_test::HeaderOf(request, "Content-Length"), "15");
    EXPECT_NE(request.find("\r\nX-Two: 2\r\nX-Two: 2\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Expect:"), std::string::npos);
    EXPECT_EQ(net_test::BodyOf(request), "kdw_a=1&kdw_b=2");
}

TEST_F(ChannelTest, TrailingBlankOfThePathIsEscaped) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port(), u"/app/pc/sina_weibo.php "));
    ASSERT_TRUE(channel.SendRequest(u"", "action=post"));
    ASSERT_TRUE(channel.EndRequest());
    channel.Close();
    EXPECT_EQ(net_test::RequestLine(server.Requests().at(0)),
              "POST /app/pc/sina_weibo.php%20 HTTP/1.1");
}

TEST_F(ChannelTest, ConfiguredHostBringsPortAndBasePath) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    settings::ServiceHost host;
    ASSERT_TRUE(settings::ParseServiceHost(
        net_test::Wide("http://127.0.0.1:" + std::to_string(server.Port()) + "/norvel/"), host));
    net::AsyncHttpChannel channel;
    channel.Create(nullptr);
    ASSERT_TRUE(channel.Open(u"Norvel"));
    ASSERT_TRUE(channel.Connect(host));
    ASSERT_TRUE(channel.OpenRequest(u"POST", u"up/up_blk"));
    ASSERT_TRUE(channel.SendRequest(u"User-Agent: Norvel_flinga/1.0.0.1,Channel=0000\r\n"));
    ASSERT_TRUE(channel.EndRequest());
    channel.Close();
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(net_test::RequestLine(request), "POST /norvel/up/up_blk HTTP/1.1");
    EXPECT_EQ(net_test::HeaderOf(request, "User-Agent"), "Norvel_flinga/1.0.0.1,Channel=0000");
    EXPECT_EQ(net_test::HeaderOf(request, "Content-Length"), "0");
}

TEST_F(ChannelTest, BodyStreamedInPiecesArrivesWhole) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    std::string body(3 * 131072 + 5, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = char('a' + i % 23);
    const std::string head = "--boundary\r\n";
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port(), u"/up/up_blk"));
    ASSERT_TRUE(channel.SendRequest(u"Content-Type: multipart/form-data; boundary=boundary\r\n",
                                    head, head.size() + body.size()));
    for (size_t at = 0; at < body.size(); at += 131072) {
        const size_t piece = std::min<size_t>(131072, body.size() - at);
        size_t written = 0;
        ASSERT_TRUE(channel.Write(body.data() + at, piece, written));
        EXPECT_EQ(written, piece);
    }
    ASSERT_TRUE(channel.EndRequest());
    EXPECT_EQ(channel.QueryStatusCode(), 200);
    channel.Close();
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(net_test::HeaderOf(request, "Content-Length"),
              std::to_string(head.size() + body.size()));
    EXPECT_TRUE(net_test::BodyOf(request) == head + body);
}

TEST_F(ChannelTest, ReplyWithoutLengthIsReadInFullPiecesThenAnEmptyRead) {
    const std::string reply(150000, 'r');
    ScriptedServer server({Answer(HttpReply(200, reply, {}, false)),
                           Answer(norvel::test::ChunkedHttpReply(200, reply, 7000))});
    for (int round = 0; round < 2; ++round) {
        net::AsyncHttpChannel channel;
        ASSERT_TRUE(Begin(channel, server.Port()));
        ASSERT_TRUE(channel.SendRequest(u"", "x=1"));
        ASSERT_TRUE(channel.EndRequest());
        EXPECT_FALSE(channel.QueryHeader("Content-Length"));
        std::vector<size_t> sizes;
        EXPECT_TRUE(ReadAll(channel, 51200, &sizes) == reply);
        EXPECT_EQ(sizes, (std::vector<size_t>{51200, 51200, 47600, 0})) << "round " << round;
    }
}

TEST_F(ChannelTest, ReadOnceKeepsTheTerminatorInsideTheBuffer) {
    ScriptedServer server({Answer(HttpReply(200, "0123456789"))});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u""));
    ASSERT_TRUE(channel.EndRequest());
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    size_t length = 0;
    ASSERT_TRUE(channel.ReadOnce(buffer, 5, length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::string(buffer, 6), std::string("0123\0#", 6));
}

TEST_F(ChannelTest, StatusAndHeadersOfTheFinalReply) {
    ScriptedServer server(
        {Answer("HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n" +
                HttpReply(401, "", {R"(kdw-auth: AccessToken realm="norvel", Nonce="n1")"}))});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u""));
    ASSERT_TRUE(channel.EndRequest());
    EXPECT_EQ(channel.QueryStatusCode(), 401);
    EXPECT_EQ(channel.QueryHeader("KDW-Auth"), R"(AccessToken realm="norvel", Nonce="n1")");
    EXPECT_EQ(channel.QueryHeader("Content-Length"), "0");
    EXPECT_FALSE(channel.QueryHeader("X-Interim"));
}

TEST_F(ChannelTest, SilenceAfterTheRequestIsReportedAsTimeOut) {
    ScriptedServer server({Stall()});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    channel.SetTimeout(300);
    ASSERT_TRUE(channel.SendRequest(u"", "x=1"));
    net_test::Stopwatch watch;
    EXPECT_FALSE(channel.EndRequest());
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_TIMEOUT);
    EXPECT_GE(watch.ElapsedMs(), 250);
    EXPECT_LT(watch.ElapsedMs(), 2000);
    EXPECT_FALSE(channel.ConnectFailed());
    EXPECT_EQ(channel.QueryStatusCode(), 0);
}

TEST_F(ChannelTest, ServerThatStopsReadingTimesOutTheWrite) {
    ScriptedServer server({Deaf()});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port(), u"/up/up_blk"));
    channel.SetTimeout(300);
    const std::string piece(131072, 'p');
    const uint64_t total = uint64_t(1) << 30;
    ASSERT_TRUE(channel.SendRequest(u"", "", total));
    size_t written = 0;
    uint64_t sent = 0;
    while (sent < total && channel.Write(piece.data(), piece.size(), written))
        sent += written;
    EXPECT_LT(sent, total);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_TIMEOUT);
}

TEST_F(ChannelTest, RefusedConnectionFailsTheSendAsConnectFailure) {
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, net_test::RefusingPort()));
    EXPECT_FALSE(channel.SendRequest(u"", "x=1"));
    EXPECT_TRUE(channel.ConnectFailed());
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_FALSE(channel.EndRequest());
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(ChannelTest, ClosedWithoutReplyOrBrokenOffReply) {
    ScriptedServer server(
        {Answer(""), Answer(HttpReply(200, std::string(100, 'x')).substr(0, 60))});
    {
        net::AsyncHttpChannel channel;
        ASSERT_TRUE(Begin(channel, server.Port()));
        ASSERT_TRUE(channel.SendRequest(u""));
        EXPECT_FALSE(channel.EndRequest());
        EXPECT_EQ(channel.LastError(), net::ERROR_HTTP_INVALID_SERVER_RESPONSE);
        EXPECT_EQ(channel.QueryStatusCode(), 0);
        EXPECT_FALSE(channel.ConnectFailed());
    }
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u""));
    ASSERT_TRUE(channel.EndRequest()) << channel.LastError();
    std::string buffer(200, '\0');
    size_t got = 0;
    size_t total = 0;
    while (channel.Read(buffer.data(), buffer.size(), got) && got != 0)
        total += got;
    EXPECT_LT(total, 100u);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST_F(ChannelTest, StepsOutOfOrderOrBodiesOfTheWrongLengthFail) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    net::AsyncHttpChannel channel;
    size_t written = 0;
    EXPECT_FALSE(channel.Write("x", 1, written));
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    ASSERT_TRUE(Begin(channel, server.Port()));
    EXPECT_FALSE(channel.EndRequest());
    ASSERT_TRUE(channel.SendRequest(u"", "ab", 4));
    EXPECT_FALSE(channel.Write("cde", 3, written));  // more than declared
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_INCORRECT_HANDLE_STATE);

    net::AsyncHttpChannel shortBody;
    ASSERT_TRUE(Begin(shortBody, server.Port()));
    ASSERT_TRUE(shortBody.SendRequest(u"", "ab", 4));
    EXPECT_FALSE(shortBody.EndRequest());  // two bytes were never written
    EXPECT_EQ(shortBody.LastError(), net::ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

TEST_F(ChannelTest, HostsThatAreNoHostNamesAreRefused) {
    net::AsyncHttpChannel channel;
    channel.Create(nullptr);
    ASSERT_TRUE(channel.Open(u"Norvel"));
    EXPECT_FALSE(channel.Connect(u"127.0.0.1/evil?", 80));
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_INVALID_URL);
}
