#include "send/plugin_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "launcher/pipe_listener.h"
#include "platform/packet_socket.h"
#include "support/host_window.h"
#include "support/test_env.h"

using namespace std::chrono_literals;
using namespace send;
using norvel::test::HostWindow;
using norvel::test::NamesOf;
using norvel::test::TempDir;

namespace {

intake::RequestBatch Batch(std::initializer_list<const char16_t*> names) {
    intake::RequestBatch batch;
    for (const char16_t* name : names) {
        batch.push_back(norvel::test::TestEntry(intake::kUploadRequest, name));
    }
    return batch;
}

class PluginClientTest : public ::testing::Test {
protected:
    PluginClientTest() {
        m_Options.socketPath = m_Dir.File("pipe");
        m_Options.wakeEventPath = m_Dir.File("wake");
        m_Options.launcherPath = m_Dir.File("Norvel_Flinga");
        m_Options.startTimeoutMs = 3000;
        m_Options.answerTimeoutMs = 3000;
        m_Options.rewakeMs = 50;
    }

    std::unique_ptr<launcher::CPipeListener> StartListener() {
        launcher::PipeListenerOptions options;
        options.socketPath = m_Options.socketPath;
        options.wakeEventPath = m_Options.wakeEventPath;
        options.pauseAfterBatch = 1ms;
        auto listener = std::make_unique<launcher::CPipeListener>(options);
        EXPECT_TRUE(listener->StartPipeListener());
        listener->SetHostWindow(m_Host.Handle());
        return listener;
    }

    // A launcher program made of a shell script.
    void WriteLauncher(const std::string& script) {
        norvel::test::WriteFile(m_Options.launcherPath, "#!/bin/sh\n" + script);
        std::filesystem::permissions(m_Options.launcherPath, std::filesystem::perms::owner_all);
    }

    TempDir m_Dir;
    PluginClientOptions m_Options;
    HostWindow m_Host;
};

}  // namespace

TEST_F(PluginClientTest, ARunningLauncherGetsTheWholeBatch) {
    auto listener = StartListener();
    const SendResult result = SendBatchToLauncher(Batch({u"a", u"b"}), m_Options);
    EXPECT_EQ(result.outcome, SendOutcome::Delivered) << result.detail;
    const auto batches = m_Host.WaitFor(1);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(NamesOf(batches[0]), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST_F(PluginClientTest, ClientsWhoseWakesCameTogetherAreAllServed) {
    auto listener = StartListener();
    ASSERT_EQ(SendBatchToLauncher(Batch({u"first"}), m_Options).outcome, SendOutcome::Delivered);
    // Four clients at once: their wake events fall together, and still each is served.
    std::vector<std::thread> clients;
    std::atomic<int> delivered{0};
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] {
            if (SendBatchToLauncher(Batch({u"burst"}), m_Options).outcome == SendOutcome::Delivered)
                ++delivered;
        });
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(delivered.load(), 4);
    EXPECT_EQ(m_Host.WaitFor(5).size(), 5u);
}

TEST_F(PluginClientTest, WithoutALauncherOneIsStartedWithTheRequestArgument) {
    // The "launcher" notes its argument and listens with the real listener code: here, a
    // listener of this test that starts once the script has run.
    WriteLauncher("echo \"$1\" > \"$0.argument\"\n");
    std::unique_ptr<launcher::CPipeListener> listener;
    std::thread starter([&] {
        while (!std::filesystem::exists(m_Options.launcherPath + ".argument"))
            std::this_thread::sleep_for(10ms);
        listener = StartListener();
    });
    const SendResult result = SendBatchToLauncher(Batch({u"started"}), m_Options);
    starter.join();
    EXPECT_EQ(result.outcome, SendOutcome::Delivered) << result.detail;
    EXPECT_EQ(norvel::test::ReadFile(m_Options.launcherPath + ".argument"), "-request\n");
    EXPECT_EQ(m_Host.WaitFor(1).size(), 1u);
}

TEST_F(PluginClientTest, ALauncherThatCannotStartIsReportedWithWhatItSaid) {
    WriteLauncher("echo 'the library is missing' >&2\nexit 2\n");
    SendResult result = SendBatchToLauncher(Batch({u"a"}), m_Options);
    EXPECT_EQ(result.outcome, SendOutcome::NotStarted);
    EXPECT_NE(result.detail.find("the library is missing"), std::string::npos) << result.detail;

    // One that ends silently (another launcher won the race) is waited for, up to a point.
    WriteLauncher("exit 0\n");
    m_Options.startTimeoutMs = 200;
    result = SendBatchToLauncher(Batch({u"a"}), m_Options);
    EXPECT_EQ(result.outcome, SendOutcome::NotStarted);

    std::filesystem::remove(m_Options.launcherPath);
    result = SendBatchToLauncher(Batch({u"a"}), m_Options);
    EXPECT_EQ(result.outcome, SendOutcome::NotStarted);
    EXPECT_NE(result.detail.find("cannot start"), std::string::npos);
}

TEST_F(PluginClientTest, ALauncherThatDoesNotTakeTheBatchInTimeIsReported) {
    // Something listens but never accepts: the batch waits in its queue.
    auto deaf = platform::PacketListener::Listen(m_Options.socketPath);
    ASSERT_TRUE(deaf);
    m_Options.answerTimeoutMs = 200;
    const SendResult result = SendBatchToLauncher(Batch({u"a"}), m_Options);
    EXPECT_EQ(result.outcome, SendOutcome::NotTaken);
    EXPECT_NE(result.detail.find("stays queued"), std::string::npos);

    // A listener that goes away with the batch unread.
    m_Options.answerTimeoutMs = 3000;
    std::thread closer([&] {
        std::this_thread::sleep_for(100ms);
        deaf.reset();
    });
    const SendResult gone = SendBatchToLauncher(Batch({u"a"}), m_Options);
    closer.join();
    EXPECT_EQ(gone.outcome, SendOutcome::LauncherEnded) << gone.detail;
}
