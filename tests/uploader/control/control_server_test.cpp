#include "control/control_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "control/control_client.h"
#include "intake/messages.h"
#include "platform/event.h"
#include "platform/message_loop.h"
#include "platform/packet_socket.h"
#include "platform/window.h"
#include "support/test_env.h"

using namespace control;
using norvel::test::TempDir;

namespace {

constexpr uint32_t kWaitMs = 10000;

ControlServerOptions OptionsIn(const TempDir& dir) {
    ControlServerOptions options;
    options.socketPath = dir.File("control");
    options.lockPath = dir.File("control.lock");
    return options;
}

ControlRequest Send(TargetKind kind, std::u16string name, uint32_t message, uint64_t w = 0,
                    int64_t l = 0) {
    ControlRequest request;
    request.target = {kind, std::move(name)};
    request.message = message;
    request.wParam = w;
    request.lParam = l;
    return request;
}

// A main window on a thread of its own that answers outside messages.
struct MainWindow {
    MainWindow() {
        handle = platform::RegisterWindow(
            loop,
            [this](uint32_t message, platform::WParam w, platform::LParam l) -> platform::LResult {
                last = message;
                return message == intake::WM_QUERY_PENDING
                           ? 1
                           : static_cast<platform::LResult>(w) * 100 + l;
            });
        platform::SetWindowProperty(handle, std::u16string(kMainWindowProperty), 1);
        platform::SetWindowTitle(handle, u"Norvel网盘Flinga");
    }
    ~MainWindow() { platform::DestroyWindow(handle); }
    std::atomic<uint32_t> last{0};
    platform::WindowHandle handle = platform::kNoWindow;
    platform::ThreadMessageLoop loop;  // last: its thread ends before the rest goes
};

}  // namespace

TEST(ControlServer, SendsOutsideMessagesToTheNamedWindowAndReturnsTheResult) {
    TempDir dir;
    MainWindow main;
    CControlServer server;
    ASSERT_TRUE(server.Start(OptionsIn(dir)));
    EXPECT_EQ(std::filesystem::status(dir.File("control")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ControlReply reply = CallControl(
        dir.File("control"),
        Send(TargetKind::Property, std::u16string(kMainWindowProperty), intake::WM_QUERY_PENDING),
        kWaitMs);
    EXPECT_EQ(reply.error, ControlError::None) << reply.errorText;
    EXPECT_EQ(reply.result, 1);

    reply = CallControl(
        dir.File("control"),
        Send(TargetKind::Title, u"Norvel网盘Flinga", intake::WM_ACCOUNT_COMMAND, 2, 1), kWaitMs);
    EXPECT_EQ(reply.error, ControlError::None);
    EXPECT_EQ(reply.result, 201);
    EXPECT_EQ(main.last.load(), intake::WM_ACCOUNT_COMMAND);
}

TEST(ControlServer, RefusesUnknownWindowsInsideMessagesAndGarbage) {
    TempDir dir;
    MainWindow main;
    CControlServer server;
    ASSERT_TRUE(server.Start(OptionsIn(dir)));

    ControlReply reply = CallControl(dir.File("control"),
                                     Send(TargetKind::Title, u"设置", platform::WM_CLOSE), kWaitMs);
    EXPECT_EQ(reply.error, ControlError::NoWindow);
    // An address in lParam would be read inside the process: never passed on.
    reply = CallControl(dir.File("control"),
                        Send(TargetKind::Property, std::u16string(kMainWindowProperty),
                             intake::WM_REQUEST_BATCH, 0, 0x1234),
                        kWaitMs);
    EXPECT_EQ(reply.error, ControlError::RefusedMessage);
    EXPECT_EQ(main.last.load(), 0u);

    auto raw = platform::PacketConnection::Connect(dir.File("control"), kWaitMs);
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->Send("hello", kWaitMs), platform::WaitResult::Ready);
    char buffer[512];
    size_t size = 0;
    ASSERT_EQ(raw->Receive(buffer, &size, kWaitMs), platform::WaitResult::Ready);
    const auto answer = DecodeReply({buffer, size});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->error, ControlError::BadRequest);

    // A client that connects and says nothing does not block the next one for long.
    ControlServerOptions options = OptionsIn(dir);
    server.Stop();
    options.requestTimeoutMs = 50;
    ASSERT_TRUE(server.Start(options));
    auto silent = platform::PacketConnection::Connect(dir.File("control"), kWaitMs);
    ASSERT_TRUE(silent);
    reply = CallControl(
        dir.File("control"),
        Send(TargetKind::Property, std::u16string(kMainWindowProperty), intake::WM_QUERY_PENDING),
        kWaitMs);
    EXPECT_EQ(reply.error, ControlError::None);
}

TEST(ControlServer, AnswersStatusRequestsFromItsProvider) {
    TempDir dir;
    ControlServerOptions options = OptionsIn(dir);
    options.status = [] {
        ControlStatus status;
        status.engine = true;
        status.tasks = {{10001, 2, u"/data/a.txt"}};
        return status;
    };
    CControlServer server;
    ASSERT_TRUE(server.Start(options));
    ControlRequest request;
    request.kind = ControlRequest::Kind::Status;
    const ControlReply reply = CallControl(dir.File("control"), request, kWaitMs);
    EXPECT_EQ(reply.error, ControlError::None);
    EXPECT_TRUE(reply.status.engine);
    ASSERT_EQ(reply.status.tasks.size(), 1u);
    EXPECT_EQ(reply.status.tasks[0].path, u"/data/a.txt");
}

TEST(ControlServer, OneServerPerSocketAndAStaleSocketIsTakenOver) {
    TempDir dir;
    {
        // A crashed server leaves its socket file behind; no lock is held any more.
        auto stale = platform::PacketListener::Listen(dir.File("control"));
        ASSERT_TRUE(stale);
        std::filesystem::create_hard_link(dir.File("control"), dir.File("keep"));
    }
    std::filesystem::rename(dir.File("keep"), dir.File("control"));
    EXPECT_EQ(CallControl(dir.File("control"), ControlRequest{}, kWaitMs).error,
              ControlError::NoServer);

    CControlServer first;
    ASSERT_TRUE(first.Start(OptionsIn(dir)));
    CControlServer second;
    EXPECT_FALSE(second.Start(OptionsIn(dir)));  // the first one's socket is left alone
    ControlRequest status;
    status.kind = ControlRequest::Kind::Status;
    EXPECT_EQ(CallControl(dir.File("control"), status, kWaitMs).error, ControlError::None);

    first.Stop();
    EXPECT_FALSE(std::filesystem::exists(dir.File("control")));
    EXPECT_EQ(CallControl(dir.File("control"), status, kWaitMs).error, ControlError::NoServer);
    EXPECT_TRUE(second.Start(OptionsIn(dir)));
}

TEST(ControlServer, StoppingGivesUpAMessageItsWindowHasNotAnswered) {
    TempDir dir;
    // The events outlive the loop: its thread may still be leaving Wait() when the test ends.
    platform::Event entered(platform::Event::ResetMode::Manual);
    platform::Event release(platform::Event::ResetMode::Manual);
    platform::ThreadMessageLoop loop;
    const platform::WindowHandle stuck = platform::RegisterWindow(
        loop,
        [&](uint32_t, platform::WParam, platform::LParam) -> platform::LResult {
            entered.Set();
            EXPECT_TRUE(release.Wait(kWaitMs));
            return 1;
        },
        u"stuck");
    CControlServer server;
    ControlServerOptions options = OptionsIn(dir);
    ASSERT_TRUE(server.Start(options));
    ControlReply reply;
    std::thread client([&] {
        reply = CallControl(dir.File("control"),
                            Send(TargetKind::Title, u"stuck", intake::WM_START_UPDATER), kWaitMs);
    });
    ASSERT_TRUE(entered.Wait(kWaitMs));
    const auto start = std::chrono::steady_clock::now();
    server.Stop();  // does not wait for the handler
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    client.join();
    EXPECT_NE(reply.error, ControlError::None);
    release.Set();
    platform::DestroyWindow(stuck);
}

TEST(ControlServer, AWindowThatTakesTooLongGivesATimeOut) {
    TempDir dir;
    platform::Event release(platform::Event::ResetMode::Manual);  // outlives the loop
    platform::ThreadMessageLoop loop;
    const platform::WindowHandle slow = platform::RegisterWindow(
        loop,
        [&](uint32_t, platform::WParam, platform::LParam) -> platform::LResult {
            EXPECT_TRUE(release.Wait(kWaitMs));
            return 1;
        },
        u"slow");
    ControlServerOptions options = OptionsIn(dir);
    options.sendTimeoutMs = 50;
    CControlServer server;
    ASSERT_TRUE(server.Start(options));
    const ControlReply reply = CallControl(
        dir.File("control"), Send(TargetKind::Title, u"slow", intake::WM_QUERY_PENDING), kWaitMs);
    EXPECT_EQ(reply.error, ControlError::TimedOut);
    release.Set();
    platform::DestroyWindow(slow);
}
