// A task's stop event and the process-wide abort event end a waiting step within 200 ms,
// whatever the connection is doing.

#include <gtest/gtest.h>

#include <thread>

#include "net/async_http_channel.h"
#include "net/http_request.h"
#include "net/internet_errors.h"
#include "net_test_support.h"
#include "platform/event.h"
#include "settings/session_state.h"

using norvel::test::Answer;
using norvel::test::AnswerAndHold;
using norvel::test::Deaf;
using norvel::test::HttpReply;
using norvel::test::ScriptedServer;
using norvel::test::Stall;

namespace {

constexpr int64_t kStopWithinMs = 200;
constexpr int kSetAfterMs = 150;

class ChannelStopTest : public net_test::NetTest {
protected:
    // Sets the event from another thread after a while; Elapsed() is measured from then.
    class LateSetter {
    public:
        explicit LateSetter(platform::Event& event)
            : m_Thread([this, &event] {
                  std::this_thread::sleep_for(std::chrono::milliseconds(kSetAfterMs));
                  m_SetAt = std::chrono::steady_clock::now();
                  event.Set();
              }) {}
        ~LateSetter() { Join(); }
        void Join() {
            if (m_Thread.joinable())
                m_Thread.join();
        }
        // Milliseconds from the Set() to now.
        int64_t SinceSet() {
            const auto now = std::chrono::steady_clock::now();
            Join();
            return std::chrono::duration_cast<std::chrono::milliseconds>(now - m_SetAt).count();
        }

    private:
        std::chrono::steady_clock::time_point m_SetAt;
        std::thread m_Thread;
    };

    bool Begin(net::AsyncHttpChannel& channel, uint16_t port) {
        channel.Create(&m_Stop);
        channel.SetTimeout(60000);  // only the events may end the waits below
        return channel.Open(u"Norvel") && channel.ApplyOptions() && channel.AttachCallback() &&
               channel.Connect(u"127.0.0.1", port) && channel.OpenRequest(u"POST", u"/up/up_blk");
    }

    platform::Event m_Stop{platform::Event::ResetMode::Manual};
};

}  // namespace

TEST_F(ChannelStopTest, StopDuringAStalledReplyEndsTheStep) {
    ScriptedServer server({Stall()});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u"", "x=1"));
    LateSetter stop(m_Stop);
    EXPECT_FALSE(channel.EndRequest());
    EXPECT_LT(stop.SinceSet(), kStopWithinMs);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(ChannelStopTest, AbortEventDuringAStalledReadEndsTheStep) {
    ScriptedServer server({AnswerAndHold("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123")});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u""));
    ASSERT_TRUE(channel.EndRequest());
    LateSetter abort(settings::AbortEvent());
    char buffer[200];
    size_t length = 0;
    EXPECT_FALSE(channel.ReadOnce(buffer, sizeof buffer, length));
    EXPECT_LT(abort.SinceSet(), kStopWithinMs);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(ChannelStopTest, StopWhileAWriteWaitsForAServerThatDoesNotRead) {
    ScriptedServer server({Deaf()});
    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    const std::string piece(131072, 'p');
    const uint64_t total = uint64_t(1) << 32;
    ASSERT_TRUE(channel.SendRequest(u"", "", total));
    LateSetter stop(m_Stop);
    size_t written = 0;
    uint64_t sent = 0;
    bool ok = true;
    while (sent < total && (ok = channel.Write(piece.data(), piece.size(), written)))
        sent += written;
    EXPECT_FALSE(ok);
    EXPECT_LT(stop.SinceSet(), kStopWithinMs);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(ChannelStopTest, SetEventsFailStepsAtOnce) {
    ScriptedServer server({Answer(HttpReply(200, "{}"))});
    m_Stop.Set();
    net::AsyncHttpChannel stopped;
    stopped.Create(&m_Stop);
    ASSERT_TRUE(stopped.Open(u"Norvel"));
    EXPECT_FALSE(stopped.AttachCallback());
    EXPECT_EQ(stopped.LastError(), net::ERROR_INTERNET_OPERATION_CANCELLED);
    m_Stop.Reset();

    net::AsyncHttpChannel channel;
    ASSERT_TRUE(Begin(channel, server.Port()));
    ASSERT_TRUE(channel.SendRequest(u"", "", 10));
    m_Stop.Set();
    size_t written = 7;
    EXPECT_FALSE(channel.Write("0123456789", 10, written));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(channel.LastError(), net::ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(ChannelStopTest, StopDuringGetJsonDataFromUrl) {
    ScriptedServer server({Stall()});
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, u"127.0.0.1", server.Port());
    LateSetter stop(m_Stop);
    size_t length = 99;
    const net::ReplyBuffer reply = net::GetJSONDataFromURL(
        u"Accept: */*\r\n", length, info, u"/app/pc/sync.upauth.php", "token=t", &m_Stop);
    EXPECT_LT(stop.SinceSet(), kStopWithinMs);
    EXPECT_FALSE(reply);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(info.m_StatusCode, -1);
}
