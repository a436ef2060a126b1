#include "launcher/pipe_listener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "intake/messages.h"
#include "launcher/pipe_record.h"
#include "platform/fifo_event.h"
#include "platform/message_loop.h"
#include "platform/packet_socket.h"
#include "platform/text.h"
#include "support/host_window.h"
#include "support/test_env.h"

using namespace std::chrono_literals;
using intake::RequestBatch;
using intake::UploadRequestEntry;
using launcher::CPipeListener;
using norvel::test::HostWindow;
using norvel::test::NamesOf;
using norvel::test::TempDir;
using norvel::test::TestEntry;

namespace {

constexpr uint32_t kWaitMs = 10000;

class PipeListenerTest : public ::testing::Test {
protected:
    PipeListenerTest() {
        m_Options.socketPath = m_Dir.File("pipe");
        m_Options.wakeEventPath = m_Dir.File("wake");
        m_Options.pauseAfterBatch = 1ms;
        m_Options.report = [this](std::u16string_view event, std::u16string_view cause) {
            std::lock_guard lock(m_ReportLock);
            m_Reports.push_back(platform::WideToUtf8(event) + " " + platform::WideToUtf8(cause));
        };
        m_Options.sleeping = [this] {
            {
                std::lock_guard lock(m_ReportLock);
                ++m_Sleeps;
            }
            m_Slept.notify_all();
        };
    }

    // Waits until the listener has gone to sleep `count` times in all.
    void WaitForSleep(int count) {
        std::unique_lock lock(m_ReportLock);
        ASSERT_TRUE(m_Slept.wait_for(lock, 10s, [&] { return m_Sleeps >= count; }));
    }

    std::unique_ptr<CPipeListener> Start(bool withHost = true) {
        auto listener = std::make_unique<CPipeListener>(m_Options);
        EXPECT_TRUE(listener->StartPipeListener());
        if (withHost)
            listener->SetHostWindow(m_Host.Handle());
        return listener;
    }

    platform::PacketConnection Connect() {
        auto connection = platform::PacketConnection::Connect(m_Options.socketPath, kWaitMs);
        EXPECT_TRUE(connection);
        return connection ? std::move(*connection) : platform::PacketConnection();
    }

    void Write(platform::PacketConnection& client, const UploadRequestEntry& entry) {
        const auto bytes = launcher::RecordBytes(entry);
        ASSERT_EQ(client.Send({bytes.data(), bytes.size()}, kWaitMs), platform::WaitResult::Ready);
    }

    // A client that writes its records and closes, as the plug-in does.
    void SendBatch(const std::vector<UploadRequestEntry>& entries) {
        platform::PacketConnection client = Connect();
        for (const auto& entry : entries)
            Write(client, entry);
    }

    void Wake() { ASSERT_TRUE(platform::FifoEvent::SetNamed(m_Options.wakeEventPath)); }

    std::vector<std::string> Reports() {
        std::lock_guard lock(m_ReportLock);
        return m_Reports;
    }

    TempDir m_Dir;
    launcher::PipeListenerOptions m_Options;
    HostWindow m_Host;
    std::mutex m_ReportLock;
    std::vector<std::string> m_Reports;
    std::condition_variable m_Slept;
    int m_Sleeps = 0;
};

}  // namespace

TEST_F(PipeListenerTest, ThreeRecordsMakeOneCallWithThreeEntries) {
    auto listener = Start();
    SendBatch({TestEntry(1, u"a"), TestEntry(1, u"b"), TestEntry(1, u"c")});
    const auto batches = m_Host.WaitFor(1);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(NamesOf(batches[0]), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_TRUE(Reports().empty());
}

TEST_F(PipeListenerTest, AfterTheFirstClientTheNextWaitsForTheWakeEvent) {
    auto listener = Start();
    SendBatch({TestEntry(1, u"first")});  // the first pass needs no wake
    ASSERT_EQ(m_Host.WaitFor(1).size(), 1u);
    WaitForSleep(1);  // a client queued before this would be served without a wake
    SendBatch({TestEntry(1, u"second")});
    EXPECT_EQ(m_Host.WaitFor(2, 300ms).size(), 1u);  // written, but not taken
    Wake();
    const auto batches = m_Host.WaitFor(2);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(NamesOf(batches[1]), std::vector<std::u16string>{u"second"});
}

TEST_F(PipeListenerTest, AMessageLongerThanARecordEndsTheBatch) {
    auto listener = Start();
    {
        platform::PacketConnection client = Connect();
        Write(client, TestEntry(1, u"a"));
        Write(client, TestEntry(1, u"b"));
        ASSERT_EQ(client.Send(std::string(2000, 'x'), kWaitMs), platform::WaitResult::Ready);
        // The listener may have closed the connection by now: this one is not read either way.
        const UploadRequestEntry after = TestEntry(1, u"after");
        const auto bytes = launcher::RecordBytes(after);
        (void)client.Send({bytes.data(), bytes.size()}, kWaitMs);
    }
    const auto batches = m_Host.WaitFor(1);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(NamesOf(batches[0]), (std::vector<std::u16string>{u"a", u"b"}));
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0],
              "PIPE_ReadRecord DESC=a message of 2000 bytes ends the batch at record 3");
}

TEST_F(PipeListenerTest, MalformedRecordsAreRefusedAndTheRestOfTheBatchGoesOn) {
    auto listener = Start();
    {
        platform::PacketConnection client = Connect();
        Write(client, TestEntry(1, u"a"));
        UploadRequestEntry badKind = TestEntry(1, u"bad");
        badKind.nKind = 7;
        Write(client, badKind);
        ASSERT_EQ(client.Send(std::string(100, 'x'), kWaitMs), platform::WaitResult::Ready);
        UploadRequestEntry unterminated = TestEntry(1, u"x");
        std::fill(std::begin(unterminated.szName), std::end(unterminated.szName), u'x');
        Write(client, unterminated);
        Write(client, TestEntry(1, u"b"));
    }
    const auto batches = m_Host.WaitFor(1);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(NamesOf(batches[0]), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(Reports(), (std::vector<std::string>{
                             "PIPE_ReadRecord DESC=record 2 refused: unknown request kind 7",
                             "PIPE_ReadRecord DESC=record 3 refused: a message of 100 bytes is no "
                             "record (records are 1044 bytes)",
                             "PIPE_ReadRecord DESC=record 4 refused: the name has no terminator "
                             "within 260 units",
                         }));
}

TEST_F(PipeListenerTest, ABatchThatComesBeforeTheWindowIsDeliveredOnceItExists) {
    auto listener = Start(false);
    platform::PacketConnection client = Connect();
    Write(client, TestEntry(2, u"early"));
    client.ShutdownWrite();
    // The listener tells the client its batch arrived whole before it is delivered.
    char unused[8];
    size_t size = 1;
    ASSERT_EQ(client.Receive(unused, &size, kWaitMs), platform::WaitResult::Ready);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(m_Host.WaitFor(1, 200ms).empty());

    listener->SetHostWindow(m_Host.Handle());
    const auto batches = m_Host.WaitFor(1);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].front().nKind, intake::kShareLinkRequest);
}

TEST_F(PipeListenerTest, EmptyBatchesAndSilentClientsEndTheirBatches) {
    m_Options.clientIdleTimeoutMs = 50;
    auto listener = Start();
    SendBatch({});  // connected and wrote nothing: still delivered
    ASSERT_EQ(m_Host.WaitFor(1).size(), 1u);
    EXPECT_TRUE(m_Host.WaitFor(1)[0].empty());

    Wake();
    platform::PacketConnection silent = Connect();
    Write(silent, TestEntry(1, u"only"));
    const auto batches = m_Host.WaitFor(2);  // the client never closes
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(NamesOf(batches[1]), std::vector<std::u16string>{u"only"});
    EXPECT_EQ(Reports(),
              std::vector<std::string>{
                  "PIPE_ReadRecord DESC=the client sent nothing in time; its batch ends here"});
}

TEST_F(PipeListenerTest, EveryWaitingClientIsServedBeforeTheListenerSleeps) {
    // Silent clients hold the listener while the others queue; their wakes count once.
    m_Options.clientIdleTimeoutMs = 200;
    auto listener = Start();
    platform::PacketConnection first = Connect();
    Wake();
    platform::PacketConnection second = Connect();
    Wake();
    SendBatch({TestEntry(1, u"real")});  // nobody wakes the listener after this
    const auto batches = m_Host.WaitFor(3, 5s);
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_TRUE(batches[0].empty());
    EXPECT_TRUE(batches[1].empty());
    EXPECT_EQ(NamesOf(batches[2]), std::vector<std::u16string>{u"real"});
    EXPECT_EQ(Reports().size(), 2u);  // each silent client timed out on its own
}

TEST_F(PipeListenerTest, StopEndsEveryWaitAndRemovesTheSocket) {
    {
        auto waitingForClient = Start();  // first pass: waits in accept
        const auto start = std::chrono::steady_clock::now();
        waitingForClient->Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_FALSE(std::filesystem::exists(m_Options.socketPath));
    }
    {
        auto waitingForWake = Start();
        SendBatch({TestEntry(1, u"a")});
        ASSERT_EQ(m_Host.WaitFor(1).size(), 1u);
        waitingForWake->Stop();  // now in the wait for the event
    }
    {
        auto waitingForWindow = Start(false);
        SendBatch({TestEntry(1, u"never delivered")});
        std::this_thread::sleep_for(50ms);
        waitingForWindow->Stop();
    }
    EXPECT_EQ(m_Host.WaitFor(2, 100ms).size(), 1u);
}

TEST_F(PipeListenerTest, AStaleSocketFileIsReplaced) {
    norvel::test::WriteFile(m_Options.socketPath, "left by a crashed launcher");
    norvel::test::WriteFile(m_Options.wakeEventPath, "not a FIFO");
    auto listener = Start();
    SendBatch({TestEntry(1, u"a")});
    EXPECT_EQ(m_Host.WaitFor(1).size(), 1u);
    EXPECT_TRUE(std::filesystem::is_fifo(m_Options.wakeEventPath));
}
