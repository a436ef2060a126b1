// The usage counter: pings as the service records them, counts from intake, counts from
// several threads, and its thread ending at once even while a ping hangs.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "actions/actions.h"
#include "actions/client_identity.h"
#include "actions/norvel_counter.h"
#include "actions_fixture.h"
#include "intake/usage_counter.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using namespace actions;
using actions_test::ActionsTest;

namespace {

class CounterTest : public ActionsTest {
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

TEST_F(CounterTest, LoggedInAndAnonymousPingsFromIntake) {
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

TEST_F(CounterTest, EveryCountFromSeveralThreadsIsSent) {
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

TEST_F(CounterTest, StopCutsAHangingPingShort) {
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
