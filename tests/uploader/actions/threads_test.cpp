// The threads of the actions: the usage counter (pings as the service records them, counts
// from intake and from several threads, its thread ending at once while a ping hangs) and
// the user-information refreshes that report back to the main window.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "actions/actions.h"
#include "actions/client_identity.h"
#include "actions/norvel_counter.h"
#include "actions/user_info.h"
#include "actions_fixture.h"
#include "intake/intake_state.h"
#include "intake/messages.h"
#include "intake/usage_counter.h"
#include "platform/event.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using namespace actions;
using actions_test::ActionsTest;

namespace {

class ThreadsTest : public ActionsTest {
protected:
    // The service's statistics once it recorded count of them (at most ten seconds).
    std::vector<norvel::test::JsonRecord> WaitForStats(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<norvel::test::JsonRecord> stats = m_Service->Stats();
        while (stats.size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            stats = m_Service->Stats();
        }
        return stats;
    }
};

}  // namespace

TEST_F(ThreadsTest, LoggedInAndAnonymousPingsFromIntake) {
    ASSERT_TRUE(LogInAlice());
    const std::string cid = platform::WideToUtf8(settings::GetClientId());
    const std::string token = platform::WideToUtf8(settings::GetToken());
    intake::CountUse(1, true);
    intake::CountUse(2, false);
    const auto stats = WaitForStats(2);
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].at("uid"), settings::GetUserId());
    EXPECT_EQ(stats[0].at("valid"), "true");
    EXPECT_EQ(stats[1].at("uid"), "anonymous");
    EXPECT_EQ(stats[1].at("token"), "");
    EXPECT_EQ(stats[1].at("valid"), "true");
    EXPECT_EQ(BodiesTo("/app/stat/stat.php"),
              (std::vector<std::string>{"source=5&cid=" + cid + "&uid=" + settings::GetUserId() +
                                            "&token=" + token + "&opt=1",
                                        "source=5&cid=" + cid + "&uid=anonymous&opt=2"}));
    // Once the actions are stopped, intake's counts go nowhere.
    StopActions();
    intake::CountUse(3, false);
    EXPECT_EQ(CNorvelCounter::CountBody(3, false), "source=5&cid=" + cid + "&uid=anonymous&opt=3");
}

TEST_F(ThreadsTest, EveryCountFromSeveralThreadsIsSent) {
    ASSERT_EQ(EnsureClientIdentity(), 1);
    CNorvelCounter counter;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&counter, t] {
            for (int i = 0; i < 5; ++i)
                counter.Count(t + 1, false);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(WaitForStats(20).size(), 20u);
    EXPECT_EQ(counter.LastStatus(), 200);
}

TEST_F(ThreadsTest, StopCutsAHangingPingShort) {
    norvel::test::ScriptedServer server({norvel::test::Stall()});
    UseHostPort("127.0.0.1:" + std::to_string(server.Port()));
    CNorvelCounter counter;
    counter.Count(1, false);
    counter.Count(2, false);
    ASSERT_TRUE(server.WaitForConnections(1, 5000));
    net_test::Stopwatch watch;
    counter.Stop();
    EXPECT_LT(watch.ElapsedMs(), 1000);
    EXPECT_EQ(counter.LastStatus(), -1);
    counter.Count(3, false);  // dropped
    EXPECT_EQ(server.Connections(), 1u);
    server.Release();
}

TEST_F(ThreadsTest, UserInfoRefreshReportsToTheMainWindowOrItsEvent) {
    ASSERT_TRUE(LogInAlice());
    settings::SetUserName(u"alice");
    m_Service->ClearRequests();
    platform::QueueMessageLoop loop;
    std::vector<platform::WParam> reports;
    const platform::WindowHandle main = platform::RegisterWindow(
        loop, [&](uint32_t message, platform::WParam wParam, platform::LParam) {
            if (message == intake::WM_USERINFO_DONE)
                reports.push_back(wParam);
            return platform::LResult(0);
        });
    intake::SetMainWindow(main);
    EXPECT_EQ(RefreshUserInfo(kRefreshAfterLogin), 0);
    ASSERT_TRUE(StartUserInfoRefresh(kRefreshQuery));
    auto ready = std::make_shared<platform::Event>(platform::Event::ResetMode::Auto);
    ASSERT_TRUE(StartUserInfoRefresh(kRefreshSignal, ready));
    EXPECT_TRUE(ready->Wait(10000));
    for (int i = 0; i < 1000 && reports.size() < 2; ++i)
        loop.WaitAndProcess(std::chrono::milliseconds(10));
    EXPECT_EQ(reports, (std::vector<platform::WParam>{1, 2}));
    EXPECT_EQ(RequestsTo("/app/pc/user.info.php").size(), 3u);
    // Once stopped, no further background request starts.
    StopActions();
    EXPECT_FALSE(StartUserInfoRefresh(kRefreshQuiet));
    intake::SetMainWindow(platform::kNoWindow);
    platform::DestroyWindow(main);
}
