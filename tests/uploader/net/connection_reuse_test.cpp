// Connections kept between requests: a server that keeps its connections open sees
// requests made one after another (from any thread) on one connection, a streamed body on
// a connection of its own (unless its caller sends it again itself), and a request made
// while another is open on another; a request whose kept connection closes before it is
// answered goes out again, whole, on a new one, or, streamed, fails for its caller to send
// it again.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/async_http_channel.h"
#include "net/internet_errors.h"
#include "net_test_support.h"
#include "platform/tcp.h"

namespace {

constexpr uint32_t kPollMs = 50;

// Answers every request of a connection with "{}" and keeps the connection open; counts
// connections and requests and keeps their bodies. With dropSecond, the second request of
// a connection is read and the connection closed without an answer.
class KeepAliveServer {
public:
    explicit KeepAliveServer(bool dropSecond = false) : m_DropSecond(dropSecond) {
        if (!m_Listener.Listen())
            ADD_FAILURE() << "the server cannot listen";
        m_Accepting = std::thread([this] { Accept(); });
    }
    ~KeepAliveServer() {
        m_Stopping = true;
        m_Accepting.join();
        for (std::thread& serving : m_Serving)
            serving.join();
    }
    uint16_t Port() const { return m_Listener.Port(); }
    size_t Connections() const { return m_Connections; }
    size_t Requests() const { return m_Requests; }
    std::vector<std::string> Bodies() {
        std::lock_guard lock(m_BodiesLock);
        return m_Bodies;
    }

private:
    void Accept() {
        while (!m_Stopping)
            if (auto connection = m_Listener.Accept(kPollMs)) {
                ++m_Connections;
                m_Serving.emplace_back([this, c = std::move(*connection)]() mutable { Serve(c); });
            }
    }
    void Serve(platform::TcpConnection& connection) {
        std::string received;
        int answered = 0;
        char buffer[4096];
        while (!m_Stopping) {
            const int64_t got = connection.Read(buffer, sizeof buffer, kPollMs);
            if (got == platform::TcpConnection::kTimedOut)
                continue;
            if (got <= 0)
                return;
            received.append(buffer, size_t(got));
            for (std::string body; TakeRequest(received, body);) {
                ++m_Requests;
                {
                    std::lock_guard lock(m_BodiesLock);
                    m_Bodies.push_back(body);
                }
                if (m_DropSecond && ++answered == 2)
                    return;
                const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";
                connection.WriteAll(reply.data(), reply.size());
            }
        }
    }
    // Removes one whole request from the front of the bytes; false when none is whole.
    static bool TakeRequest(std::string& bytes, std::string& body) {
        const size_t end = bytes.find("\r\n\r\n");
        if (end == std::string::npos)
            return false;
        size_t length = 0;
        const size_t at = bytes.find("Content-Length: ");
        if (at != std::string::npos && at < end)
            length = std::stoul(bytes.substr(at + 16));
        if (bytes.size() < end + 4 + length)
            return false;
        body = bytes.substr(end + 4, length);
        bytes.erase(0, end + 4 + length);
        return true;
    }

    const bool m_DropSecond;
    platform::TcpListener m_Listener;
    std::atomic<bool> m_Stopping{false};
    std::mutex m_BodiesLock;
    std::vector<std::string> m_Bodies;  // guarded by m_BodiesLock
    std::atomic<size_t> m_Connections{0};
    std::atomic<size_t> m_Requests{0};
    std::thread m_Accepting;
    std::vector<std::thread> m_Serving;  // touched by the accepting thread only, then joined
};

class ConnectionReuseTest : public net_test::NetTest {
protected:
    // A channel with its POST request opened to 127.0.0.1:port.
    static bool Begin(net::AsyncHttpChannel& channel, uint16_t port) {
        channel.Create(nullptr);
        return channel.Open(u"Norvel") && channel.ApplyOptions() && channel.AttachCallback() &&
               channel.Connect(u"127.0.0.1", port) && channel.OpenRequest(u"POST", u"/up/up_init");
    }
    // One request; the body goes whole with the request or, streamed, in a second piece.
    // The channel's last error goes to `error` when given.
    static bool Post(uint16_t port, const std::string& body, bool streamed,
                     bool keptConnection = false, uint32_t* error = nullptr) {
        net::AsyncHttpChannel channel;
        channel.SetStreamOnKeptConnection(keptConnection);
        const std::u16string headers = u"Content-Type: application/octet-stream\r\n";
        size_t written = 0;
        char reply[16];
        size_t length = 0;
        const bool ok = Begin(channel, port) &&
                        (streamed ? channel.SendRequest(headers, {}, body.size()) &&
                                        channel.Write(body.data(), body.size(), written)
                                  : channel.SendRequest(headers, body)) &&
                        channel.EndRequest() && channel.QueryStatusCode() == 200 &&
                        channel.ReadOnce(reply, sizeof reply, length) && std::string(reply) == "{}";
        if (error)
            *error = channel.LastError();
        return ok;
    }
};

TEST_F(ConnectionReuseTest,
       RequestsOneAfterAnotherShareAConnectionAndAStreamedBodyGetsOneOfItsOwn) {
    KeepAliveServer server;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Post(server.Port(), "a=" + std::to_string(i), false));
    EXPECT_EQ(server.Connections(), 1u);
    EXPECT_TRUE(Post(server.Port(), "streamed", true));
    EXPECT_EQ(server.Connections(), 2u);
    EXPECT_TRUE(Post(server.Port(), "a=4", false));  // on the first connection again
    std::thread other([&] { EXPECT_TRUE(Post(server.Port(), "b=1", false)); });
    other.join();
    EXPECT_EQ(server.Connections(), 2u);
    {
        // While one request is open, another needs a connection of its own.
        net::AsyncHttpChannel open;
        ASSERT_TRUE(Begin(open, server.Port()));
        ASSERT_TRUE(open.SendRequest(u"Content-Type: text/plain\r\n", "c=1") && open.EndRequest());
        EXPECT_TRUE(Post(server.Port(), "c=2", false));
        EXPECT_EQ(server.Connections(), 3u);
    }
    EXPECT_EQ(server.Requests(), 8u);
}

TEST_F(ConnectionReuseTest, ARequestWhoseKeptConnectionClosesGoesOutAgainWhole) {
    KeepAliveServer server(true);
    const std::string body = "a=" + std::string(100000, 'x') + "&b=2";  // more than one packet
    EXPECT_TRUE(Post(server.Port(), "a=1", false));
    EXPECT_TRUE(Post(server.Port(), body, false));
    EXPECT_EQ(server.Connections(), 2u);
    EXPECT_EQ(server.Bodies(), (std::vector<std::string>{"a=1", body, body}));
}

// A streamed body whose caller sends it again itself shares the kept connection; when
// that connection closes unanswered, the step fails with ERROR_INTERNET_FORCE_RETRY and
// nothing goes out again by itself (the server drops the second request of a connection,
// so the streamed body went on the kept one).
TEST_F(ConnectionReuseTest,
       AStreamedBodyOnAKeptConnectionIsLeftToItsCallerWhenTheConnectionCloses) {
    {
        KeepAliveServer server;
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(Post(server.Port(), "streamed " + std::to_string(i), true, true));
        EXPECT_EQ(server.Connections(), 1u);
    }
    KeepAliveServer server(true);
    EXPECT_TRUE(Post(server.Port(), "a=1", false));
    uint32_t error = 0;
    EXPECT_FALSE(Post(server.Port(), "streamed", true, true, &error));
    EXPECT_EQ(error, net::ERROR_INTERNET_FORCE_RETRY);
    EXPECT_EQ(server.Bodies(), (std::vector<std::string>{"a=1", "streamed"}));
}

}  // namespace
