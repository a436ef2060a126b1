// The request layer against the substitute service: signing and the nonce refresh as a
// real service checks them, targets as the service receives them, hosts from the settings.

#include <gtest/gtest.h>

#include "json/json.h"
#include "net/action.h"
#include "net/auth_header.h"
#include "net/http_request.h"
#include "service_fixture.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace {

class RequestToService : public net_test::ServiceTest {
protected:
    int Post(std::u16string_view path, std::string_view body, std::string* reply = nullptr) {
        settings::ServiceHost host;
        EXPECT_TRUE(settings::ParseServiceHost(HostSetting(), host));
        net::HttpRequestInfo info;
        net::InitRequestInfo(info, host);
        size_t length = 0;
        const net::ReplyBuffer buffer =
            net::HTTPRequest(settings::GetHeaderText(), length, info, path, body);
        if (reply)
            *reply = buffer ? std::string(buffer.get(), length) : std::string();
        return info.m_StatusCode;
    }
};

// A user-information action as the account actions will write them.
class ChallengeAction : public net::CAction {
public:
    std::string Challenge() {
        const auto reply =
            PostForm(settings::GetApiHost(), u"/app/pc/user.init.php", "username=alice&cid=x");
        if (!reply)
            return {};
        try {
            return reply->GetMember("challenge").GetValue()->GetString();
        } catch (...) {
            RecordException();
            return {};
        }
    }
};

}  // namespace

TEST_F(RequestToService, FirstRequestLearnsTheNonceAndIsSentOnceMore) {
    std::string reply;
    EXPECT_EQ(Post(u"/app/pc/user.init.php", "username=alice&cid=" + m_ClientId, &reply), 200);
    EXPECT_NE(reply.find("\"challenge\""), std::string::npos);
    const auto requests = RequestsTo("/app/pc/user.init.php");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].status, 401);
    EXPECT_EQ(requests[1].status, 200);
    EXPECT_FALSE(net::GetServerNonce().empty());
    EXPECT_NE(requests[1].Header("KDW-Auth").find(", Nonce=" + net::GetServerNonce() + ", "),
              std::string::npos);

    // Signed with the known nonce, the next request passes at once.
    m_Service->ClearRequests();
    EXPECT_EQ(Post(u"/app/pc/user.init.php", "username=alice&cid=" + m_ClientId), 200);
    EXPECT_EQ(RequestsTo("/app/pc/user.init.php").size(), 1u);
}

TEST_F(RequestToService, PersistentRefusalEndsAfterTwoRequests) {
    ASSERT_TRUE(m_Service->SetSwitch("reject_signatures", "1"));
    std::string reply = "untouched";
    EXPECT_EQ(Post(u"/app/pc/user.init.php", "username=alice", &reply), 401);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(RequestsTo("/app/pc/user.init.php").size(), 2u);
}

TEST_F(RequestToService, TargetsArriveWellFormed) {
    Post(u"/app/pc/sina_weibo.php ", "token=t&cname=pc&action=account_status");
    Post(u"app/stat/stat.php", "source=5&opt=1");
    bool weibo = false;
    bool stat = false;
    for (const auto& request : m_Service->Requests()) {
        weibo |= request.target == "/app/pc/sina_weibo.php%20";
        stat |= request.target == "/app/stat/stat.php";
        EXPECT_EQ(request.target.find(' '), std::string::npos) << request.target;
    }
    EXPECT_TRUE(weibo);
    EXPECT_TRUE(stat);
}

TEST_F(RequestToService, ActionsReachTheHostOfTheSettings) {
    ASSERT_TRUE(settings::WriteString(settings::kNorvelKey, settings::kApiHost, HostSetting()));
    ChallengeAction action;
    EXPECT_FALSE(action.Challenge().empty());
    EXPECT_EQ(action.m_ErrorCode, 200);
    settings::DeleteValue(settings::kNorvelKey, settings::kApiHost);
}

TEST_F(RequestToService, SlowServiceTimesOut) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "delay", .path = "/app/pc/user.init.php", .count = 1, .ms = 1500}));
    auto timings = ShortTimings();
    timings.requestTimeoutMs = 300;
    net::SetTransportTimings(timings);
    net_test::Stopwatch watch;
    EXPECT_EQ(Post(u"/app/pc/user.init.php", "username=alice"), -1);
    EXPECT_LT(watch.ElapsedMs(), 1400);
}
