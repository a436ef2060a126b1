#include "platform/packet_socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/event.h"
#include "support/test_env.h"

using namespace platform;
using norvel::test::TempDir;

namespace {

constexpr uint32_t kWaitMs = 10000;

PacketConnection Connect(const std::string& path) {
    auto connection = PacketConnection::Connect(path, kWaitMs);
    EXPECT_TRUE(connection);
    return connection ? std::move(*connection) : PacketConnection();
}

PacketConnection AcceptOne(PacketListener& listener) {
    PacketConnection connection;
    EXPECT_EQ(listener.Accept(connection, kWaitMs), WaitResult::Ready);
    return connection;
}

// The next message as text; "<end>" at the end of the stream, "<result N>" otherwise.
std::string Next(PacketConnection& connection, size_t capacity = 64, size_t* full = nullptr) {
    std::string buffer(capacity, '\0');
    size_t size = 0;
    const WaitResult got = connection.Receive(buffer, &size, kWaitMs);
    if (got != WaitResult::Ready)
        return "<result " + std::to_string(static_cast<int>(got)) + ">";
    if (full)
        *full = size;
    if (size == 0)
        return "<end>";
    return buffer.substr(0, std::min(size, capacity));
}

}  // namespace

TEST(PacketSocket, MessagesKeepTheirBoundariesAndLongOnesShowTheirFullLength) {
    TempDir dir;
    auto listener = PacketListener::Listen(dir.File("s"));
    ASSERT_TRUE(listener);
    PacketConnection client = Connect(dir.File("s"));
    PacketConnection server = AcceptOne(*listener);
    EXPECT_TRUE(server.PeerIsThisUser());

    ASSERT_EQ(client.Send("one", kWaitMs), WaitResult::Ready);
    ASSERT_EQ(client.Send("two", kWaitMs), WaitResult::Ready);
    ASSERT_EQ(client.Send(std::string(100, 'x'), kWaitMs), WaitResult::Ready);
    EXPECT_EQ(Next(server), "one");
    EXPECT_EQ(Next(server), "two");
    size_t full = 0;
    EXPECT_EQ(Next(server, 10, &full), std::string(10, 'x'));
    EXPECT_EQ(full, 100u);  // cut short: the rest of that message is gone

    // A half-close ends the stream for the reader; the other direction still works.
    client.ShutdownWrite();
    EXPECT_EQ(Next(server), "<end>");
    ASSERT_EQ(server.Send("reply", kWaitMs), WaitResult::Ready);
    EXPECT_EQ(Next(client), "reply");
    server.Close();
    EXPECT_EQ(Next(client), "<end>");
}

TEST(PacketSocket, TheSocketIsPrivateAndReplacesAStaleFile) {
    TempDir dir;
    const std::string path = dir.File("s");
    norvel::test::WriteFile(path, "left behind by a crash");
    auto listener = PacketListener::Listen(path);
    ASSERT_TRUE(listener);
    const auto status = std::filesystem::status(path);
    EXPECT_EQ(status.type(), std::filesystem::file_type::socket);
    EXPECT_EQ(status.permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    listener->Close();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PacketSocket, AListenerRemovesOnlyItsOwnFile) {
    TempDir dir;
    const std::string path = dir.File("s");
    auto first = PacketListener::Listen(path);
    auto second = PacketListener::Listen(path);  // replaces the first one's file
    ASSERT_TRUE(first && second);
    first->Close();
    EXPECT_TRUE(std::filesystem::exists(path));
    PacketConnection client = Connect(path);
    PacketConnection server = AcceptOne(*second);
    EXPECT_TRUE(server.IsOpen());
}

TEST(PacketSocket, ConnectingTellsAMissingSocketFromADeadOne) {
    TempDir dir;
    int error = 0;
    EXPECT_FALSE(PacketConnection::Connect(dir.File("none"), 100, &error));
    EXPECT_EQ(error, ENOENT);

    // A socket file whose listener is gone, as a crashed process leaves it.
    {
        auto listener = PacketListener::Listen(dir.File("dead"));
        ASSERT_TRUE(listener);
        std::filesystem::create_hard_link(dir.File("dead"), dir.File("kept"));
    }
    EXPECT_FALSE(PacketConnection::Connect(dir.File("kept"), 100, &error));
    EXPECT_EQ(error, ECONNREFUSED);
}

TEST(PacketSocket, WaitsEndOnTimeOutAndOnTheCancelSignal) {
    TempDir dir;
    auto listener = PacketListener::Listen(dir.File("s"));
    ASSERT_TRUE(listener);
    PacketConnection nobody;
    EXPECT_EQ(listener->Accept(nobody, 20), WaitResult::TimedOut);

    CancelSignal cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancel.Set();
    });
    EXPECT_EQ(listener->Accept(nobody, kInfinite, &cancel), WaitResult::Cancelled);
    canceller.join();
    EXPECT_TRUE(cancel.IsSet());

    PacketConnection client = Connect(dir.File("s"));
    cancel.Reset();
    PacketConnection server = AcceptOne(*listener);
    size_t size = 0;
    char buffer[8];
    EXPECT_EQ(server.Receive(buffer, &size, 20), WaitResult::TimedOut);
    cancel.Set();
    EXPECT_EQ(server.Receive(buffer, &size, kInfinite, &cancel), WaitResult::Cancelled);
    EXPECT_TRUE(cancel.Wait(0));
    cancel.Reset();
    EXPECT_FALSE(cancel.Wait(10));
}

TEST(PacketSocket, ConnectionsWaitInTheQueueUntilAccepted) {
    TempDir dir;
    auto listener = PacketListener::Listen(dir.File("s"));
    ASSERT_TRUE(listener);
    // Clients connect and write before the listener takes them; nothing is lost.
    PacketConnection first = Connect(dir.File("s"));
    PacketConnection second = Connect(dir.File("s"));
    ASSERT_EQ(first.Send("first", kWaitMs), WaitResult::Ready);
    ASSERT_EQ(second.Send("second", kWaitMs), WaitResult::Ready);
    first.Close();
    second.Close();
    PacketConnection a = AcceptOne(*listener);
    PacketConnection b = AcceptOne(*listener);
    EXPECT_EQ(Next(a), "first");
    EXPECT_EQ(Next(a), "<end>");
    EXPECT_EQ(Next(b), "second");
}
