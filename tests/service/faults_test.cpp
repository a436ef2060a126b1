// Fault switches, the request log, malformed requests, restarts and the command line.

#include <chrono>
#include <functional>

#include "platform/child_process.h"
#include "service_client.h"
#include "support/test_env.h"

namespace norvel::test {
namespace {

using FaultsTest = ServiceFixture;

int64_t MillisecondsOf(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST_F(FaultsTest, DelayAppliesToItsPathOnly) {
    ASSERT_TRUE(service.SetFault(
        {.kind = "delay", .path = "/app/pc/clientid.init.php", .count = 0, .ms = 300}));
    EXPECT_GE(MillisecondsOf([&] { service.Post("/app/pc/clientid.init.php", ""); }), 300);
    EXPECT_GE(MillisecondsOf([&] { service.Post("app/pc/clientid.init.php", ""); }),
              300);  // every request
    EXPECT_LT(MillisecondsOf([&] { service.Post("/app/pc/clientid.auth.php", "cid=a&secret=b"); }),
              300);
    ASSERT_TRUE(service.ClearFaults());
    EXPECT_LT(MillisecondsOf([&] { service.Post("/app/pc/clientid.init.php", ""); }), 300);
}

TEST_F(FaultsTest, StatusForTheNextRequestsThenNormal) {
    ASSERT_TRUE(service.SetFault(
        {.kind = "status", .path = "/app/pc/clientid.init.php", .count = 2, .status = 503}));
    EXPECT_EQ(service.Post("/app/pc/clientid.init.php", "").status, 503);
    EXPECT_EQ(service.Post("/app/pc/clientid.init.php", "").status, 503);
    EXPECT_EQ(service.Post("/app/pc/clientid.init.php", "").status, 200);
    // A client still sending a large body gets the answer, not a reset connection.
    ASSERT_TRUE(
        service.SetFault({.kind = "status", .path = "/up/up_blk", .count = 1, .status = 500}));
    EXPECT_EQ(service.Post("/up/up_blk", std::string(8 << 20, 'b')).status, 500);
    ASSERT_TRUE(service.SetFault({.kind = "status", .path = "*", .count = 1, .status = 599}));
    EXPECT_EQ(service.Post("/app/pc/user.init.php", "").status, 599);
}

TEST_F(FaultsTest, CloseDropsTheConnectionWithoutAnAnswer) {
    ASSERT_TRUE(service.SetFault({.kind = "close", .path = "/app/pc/clientid.init.php"}));
    const auto dropped = service.Post("/app/pc/clientid.init.php", "");
    EXPECT_EQ(dropped.status, 0);
    EXPECT_NE(dropped.transportError, 0);
    EXPECT_EQ(service.Post("/app/pc/clientid.init.php", "").status, 200);
    const auto log = service.Requests();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].status, 0);
}

TEST_F(FaultsTest, StallStopsReadingTheBodyPartWay) {
    ASSERT_TRUE(service.SetFault({.kind = "stall", .path = "/up/up_blk", .ms = 300, .after = 100}));
    HttpRequest request;
    request.port = service.Port();
    request.target = "/up/up_blk";
    request.body = std::string(8 << 20, 'x');  // more than the socket buffers take
    request.timeoutMs = 5000;
    HttpResponse stalled;
    // Held for 300 ms, then reset: the client learns of it long before its time-out.
    EXPECT_LT(MillisecondsOf([&] { stalled = SendHttp(request); }), 3000);
    EXPECT_EQ(stalled.status, 0);
    EXPECT_NE(stalled.transportError, 0);
    request.body = "short";
    EXPECT_EQ(SendHttp(request).status, 400);  // back to normal: a malformed block
}

TEST_F(FaultsTest, BusyAnswersErrno2) {
    ASSERT_TRUE(service.SetFault({.kind = "busy", .path = "/app/pc/disk.mkdir.php", .count = 1}));
    const auto busy = service.Post("/app/pc/disk.mkdir.php", "");
    EXPECT_EQ(busy.status, 200);
    EXPECT_EQ(ReplyJson(busy).Text("errno"), "2");
    EXPECT_FALSE(service.SetFault({.kind = "explode", .path = "/x"}));
    EXPECT_FALSE(service.SetFault({.kind = "delay", .path = ""}));
}

TEST_F(FaultsTest, RequestLogKeepsRequestsAsReceived) {
    service.ClearRequests();
    const std::string body = std::string("a=1&b=\x01\xff", 8);
    service.Post("app/pc/sina_weibo.php ", body,
                 {"Content-Type: application/x-www-form-urlencoded",
                  "Content-Type: multipart/form-data; boundary=x",
                  "KDW-Auth: AccessToken ClientID=c, Digest=d, Nonce=, Created=1"});
    const auto log = service.Requests();
    ASSERT_EQ(log.size(), 1u);
    const LoggedRequest& entry = log[0];
    EXPECT_EQ(entry.method, "POST");
    EXPECT_EQ(entry.target, "app/pc/sina_weibo.php");
    EXPECT_EQ(entry.path, "/app/pc/sina_weibo.php");
    EXPECT_EQ(entry.body, body);
    EXPECT_EQ(entry.bodySize, body.size());
    EXPECT_EQ(entry.status, 401);
    int contentTypes = 0;
    for (const auto& [name, value] : entry.headers)
        contentTypes += name == "Content-Type";
    EXPECT_EQ(contentTypes, 2);
    EXPECT_EQ(entry.Header("KDW-Auth"), "AccessToken ClientID=c, Digest=d, Nonce=, Created=1");
    EXPECT_EQ(service.Requests(entry.seq).size(), 0u);
}

TEST_F(FaultsTest, MalformedRequestsGet400WithAJsonError) {
    ASSERT_TRUE(service.SetSwitch("require_signatures", "0"));
    for (const char* target :
         {"/app/pc/user.init.php", "/up/up_init", "/up/up_retcon", "up/up_seginfo"}) {
        const auto reply = service.Post(target, "a=1&novalue&=x");
        EXPECT_EQ(reply.status, 400) << target;
        EXPECT_FALSE(ReplyJson(reply).Text("error").empty()) << target;
    }
    const auto noBoundary =
        service.Post("/up/up_blk", "--x\r\n", {"Content-Type: multipart/form-data"});
    EXPECT_EQ(noBoundary.status, 400);
    const auto brokenHead = service.Post("/up/up_blk", std::string(100000, 'z'),
                                         {"Content-Type: multipart/form-data; boundary=abc"});
    EXPECT_EQ(brokenHead.status, 400);
    EXPECT_FALSE(ReplyJson(brokenHead).Text("error").empty());
    const auto huge = service.Post("/app/pc/user.init.php", std::string(9 << 20, 'a'));
    EXPECT_EQ(huge.status, 413);
    EXPECT_EQ(service.Post("/no/such/endpoint", "").status, 404);
    EXPECT_EQ(ReplyJson(service.Get("/no/such/page")).Text("errno"), "5");
    EXPECT_TRUE(service.Running());
}

TEST_F(FaultsTest, RestartKeepsAccountsClientsAndContents) {
    ASSERT_TRUE(LoginAlice());
    const std::string content = "kept across restarts";
    const auto ticket = client.Authorize();
    ASSERT_TRUE(ticket);
    const std::string path = CUploadDriver(service, *ticket, "k", content).Run().path;
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(service.Stop(), 0);  // SIGTERM ends it cleanly
    ASSERT_TRUE(service.Restart());
    client.nonce.clear();
    EXPECT_EQ(
        client.Call("/app/pc/user.info.php", "token=" + client.token + "&username=alice&cname=PC")
            .status,
        200);
    ASSERT_TRUE(LoginAlice());
    const auto again = CUploadDriver(service, *client.Authorize(), "k", content).Run();
    EXPECT_EQ(again.commands, std::vector<std::string>{"UPSTAT"});
    EXPECT_EQ(again.path, path);
}

TEST(ServiceCommandLine, AddUserAndRefusals) {
    TempDir data;
    auto run = [&](std::vector<std::string> arguments) {
        platform::ChildProcess child;
        EXPECT_TRUE(child.Start(ServiceProcess::BinaryPath(), arguments));
        return child.Wait(10000).value_or(-100);
    };
    EXPECT_EQ(run({"--data", data.Path(), "--add-user", "dora:pw", "--space", "1000", "--maxfs",
                   "10", "--level", "3"}),
              0);
    EXPECT_EQ(run({"--data", data.Path(), "--add-user", "dora:other"}), 0);  // exists: kept
    EXPECT_EQ(run({"--data", data.Path(), "--add-user", "no-password"}), 2);
    EXPECT_EQ(run({"--data", data.Path(), "--add-user", "bad&name:pw"}), 2);
    EXPECT_EQ(run({"--data", data.Path(), "--listen", "nowhere"}), 2);
    EXPECT_EQ(run({"--bogus", "x"}), 2);
    EXPECT_EQ(run({}), 2);

    ServiceProcess service(data.Path());
    CTestClient client(service);
    ASSERT_TRUE(client.Register());
    ASSERT_TRUE(client.Login("dora", "pw"));
    const auto info = ReplyJson(
        client.Call("/app/pc/user.info.php", "token=" + client.token + "&username=dora&cname=PC"));
    EXPECT_EQ(info.Text("spacecapacity"), "1000");
    EXPECT_EQ(info.Text("maxfs"), "10");
    EXPECT_EQ(info.Text("level"), "3");
    EXPECT_FALSE(client.Login("dora", "other"));
}

}  // namespace
}  // namespace norvel::test
