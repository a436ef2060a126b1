// Replies that lack members, have the wrong types or refuse: each action gives its failure
// code, never crashes, and stores nothing.

#include <gtest/gtest.h>

#include "actions/anonylink_action.h"
#include "actions/auth_action.h"
#include "actions/client_identity.h"
#include "actions/createlink_action.h"
#include "actions/user_info.h"
#include "actions/weibo_action.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "uploader/net/net_test_support.h"

using namespace actions;
using norvel::test::Answer;
using norvel::test::HttpReply;
using norvel::test::ScriptedServer;

namespace {

class MalformedReplyTest : public net_test::NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        SetLoginChallenge({});
    }
    void TearDown() override {
        settings::DeleteValue(settings::kNorvelKey, settings::kApiHost);
        settings::DeleteValue(settings::kNorvelKey, settings::kDownloadHost);
        NetTest::TearDown();
    }

    // A server that answers every request with the reply; the hosts point at it.
    ScriptedServer& Serve(const std::string& reply) {
        return Serve(std::vector<std::string>{reply});
    }
    ScriptedServer& Serve(const std::vector<std::string>& replies) {
        std::vector<norvel::test::ScriptedReply> script;
        for (const std::string& reply : replies)
            script.push_back(Answer(reply));
        m_Server = std::make_unique<ScriptedServer>(std::move(script));
        const std::u16string host =
            u"127.0.0.1:" + net_test::Wide(std::to_string(m_Server->Port()));
        settings::WriteString(settings::kNorvelKey, settings::kApiHost, host);
        settings::WriteString(settings::kNorvelKey, settings::kDownloadHost, host);
        settings::SetToken(u"t0ken");
        return *m_Server;
    }

    static int Login(CAuthAction& auth) {
        auth.m_UserName = u"alice";
        auth.m_Password = u"pw";
        return auth.Execute();
    }
    static bool NothingStored() {
        return settings::GetToken() == u"t0ken" && settings::GetUserId().empty();
    }

    std::unique_ptr<ScriptedServer> m_Server;
};

const std::string kUserInfo =
    R"("userinfo":{"uid":"7","maxfs":"1","level":"1","spacecapacity":"2","periodofvalidity":"3"})";

}  // namespace

TEST_F(MalformedReplyTest, OnlyTheExactLoginTextTrueLogsIn) {
    Serve(HttpReply(200, R"({"login":"TRUE","token":"x","hbgap":"1",)" + kUserInfo +
                             R"(,"challenge":"c2","captcha":"http://c","rcaptchaid":"9"})"));
    CAuthAction auth;
    EXPECT_EQ(Login(auth), -1);
    EXPECT_EQ(auth.GetResult().login, u"error");  // taken as a captcha request
    EXPECT_EQ(GetLoginChallenge().captchaId, u"9");
    EXPECT_TRUE(NothingStored());
}

TEST_F(MalformedReplyTest, BusyServiceGives1003FromEitherLoginStep) {
    Serve(HttpReply(200, R"({"errno":"2","login":"true","token":"x","hbgap":"1",)" + kUserInfo +
                             R"(,"challenge":"c","captcha":"a","captchaid":"b"})"));
    SetLoginChallenge({u"before", {}, {}});
    CAuthAction auth;
    EXPECT_EQ(auth.Prepare(), kLoginServiceBusy);
    EXPECT_EQ(GetLoginChallenge().challenge, u"before");
    EXPECT_EQ(Login(auth), kLoginServiceBusy);
    EXPECT_TRUE(NothingStored());
}

TEST_F(MalformedReplyTest, LoginRepliesThatCannotBeReadStoreNothing) {
    const std::string noUserInfo = R"({"login":"true","token":"x","hbgap":"1"})";
    const std::string scalarUserInfo = R"({"login":"true","token":"x","hbgap":"1","userinfo":"7"})";
    const std::string arrayToken =
        R"({"login":"true","token":["x"],"hbgap":"1",)" + kUserInfo + "}";
    for (const std::string& body : {noUserInfo, scalarUserInfo, arrayToken, std::string("[]")}) {
        Serve(HttpReply(200, body));
        CAuthAction auth;
        EXPECT_EQ(Login(auth), -1) << body;
        EXPECT_EQ(auth.m_ErrorCode, 2005) << body;
        EXPECT_TRUE(NothingStored()) << body;
    }
    Serve(HttpReply(200, "not json"));
    CAuthAction garbled;
    EXPECT_EQ(Login(garbled), -1);
    EXPECT_EQ(garbled.m_ErrorCode, 2007);
    Serve(HttpReply(500, "{}"));
    CAuthAction none;
    EXPECT_EQ(Login(none), kLoginNoReply);
    EXPECT_EQ(none.GetResult().login, u"error");
    EXPECT_EQ(LogRecords("ERROR_CODE=500").size(), 1u);
    EXPECT_EQ(LogRecords("OP=AuthAction").size(), 1u);
    Serve(HttpReply(200, R"({"login":"false"})"));  // a refusal without its text
    CAuthAction refused;
    EXPECT_EQ(Login(refused), -1);
}

TEST_F(MalformedReplyTest, PrepareNeedsAChallenge) {
    Serve(HttpReply(200, R"({"captcha":"x","captchaid":"1"})"));
    CAuthAction auth;
    EXPECT_EQ(auth.Prepare(), -1);
    EXPECT_EQ(auth.m_ErrorCode, 2005);
    Serve(HttpReply(200, R"({"challenge":"c","captcha":"x"})"));  // a captcha without its id
    EXPECT_EQ(auth.Prepare(), -1);
    EXPECT_TRUE(GetLoginChallenge().challenge.empty());
}

TEST_F(MalformedReplyTest, IdentityFailuresStopAfterThreeAttempts) {
    settings::DeleteValue(settings::kNorvelKey, settings::kClientSecret);
    settings::ResetCaches();
    ScriptedServer& server =
        Serve(std::vector<std::string>{HttpReply(200, R"({"seed":"s","secret":"k"})"),
                                       HttpReply(400, R"({"success":"false","error":"no"})"),
                                       HttpReply(200, R"({"seed":"s"})"), HttpReply(500, "")});
    EXPECT_EQ(EnsureClientIdentity(), 0);
    EXPECT_EQ(server.Connections(), 4u);  // two, one, then one that brought nothing
    EXPECT_EQ(LogRecords("DESC=GetClientID Failure").size(), 1u);
    EXPECT_EQ(LogRecords("OP=InitClientIDAction").size(), 1u);
    EXPECT_TRUE(settings::GetClientSecret().empty());
    EXPECT_EQ(settings::GetClientId(), net_test::kClientId);
}

TEST_F(MalformedReplyTest, UserInformationNeedsEveryFigure) {
    Serve(HttpReply(200, R"({"errno":"0","maxfs":"1","level":"1","uid":"7","spacecapacity":"2"})"));
    CGetUserMsgAction info(u"alice");
    EXPECT_EQ(info.Execute(), -1);
    EXPECT_EQ(info.m_ErrorCode, 2005);
    EXPECT_TRUE(settings::GetUserId().empty());
    Serve(HttpReply(200, R"({"errno":"2"})"));
    EXPECT_EQ(info.Execute(), kUserInfoServiceBusy);
}

TEST_F(MalformedReplyTest, LinksAreTakenOnlyFromAnAcceptedReply) {
    Serve(HttpReply(400, R"({"errno":"5","error":"missing","url":"http://x/s/1","title":"t"})"));
    CCreatelinkAction link({u"/我收到的文件/a.txt"}, kNorvelLink);
    EXPECT_EQ(link.Execute(), -1);
    EXPECT_EQ(link.GetUrl(), "");
    EXPECT_EQ(link.m_ErrorCode, 400);
    Serve(HttpReply(200, R"({"url":{},"title":"t"})"));
    EXPECT_EQ(link.Execute(), -1);
    Serve(HttpReply(200, R"({"url":"","title":"t"})"));
    CCreateAnonylinkAction anonymous(std::vector<AnonymousFile>{{u"a.txt", u"/f/1"}});
    EXPECT_EQ(anonymous.Execute(), -1);
    EXPECT_EQ(anonymous.GetTitle(), "");
    // Nothing to link: nothing is sent.
    EXPECT_EQ(CCreateAnonylinkAction(std::vector<AnonymousFile>{}).Execute(), -1);
    EXPECT_EQ(m_Server->Connections(), 1u);
}

TEST_F(MalformedReplyTest, WeiboResults) {
    Serve(HttpReply(400, R"({"errno":"3","error":"unknown token"})"));
    EXPECT_EQ(CSinaWeiboAction(WeiboOperation::Status).Execute(), 3);
    Serve(HttpReply(400, R"({"errno":"0","error":"?"})"));
    EXPECT_EQ(CSinaWeiboAction(WeiboOperation::Post).Execute(), kWeiboFailed);
    Serve(HttpReply(200, R"({"action":"false"})"));
    EXPECT_EQ(UnbindWeibo(), kWeiboFailed);
    Serve(HttpReply(200, R"({"action":"account_bind"})"));
    std::string bindUrl = "kept";
    EXPECT_EQ(BindWeibo(bindUrl), kWeiboFailed);
    EXPECT_EQ(bindUrl, "");

    // A failed status query is repeated once after the wait, and no more.
    ScriptedServer& server = Serve(HttpReply(500, ""));
    net_test::Stopwatch watch;
    const WeiboAccountStatus status = QueryWeiboAccount(std::chrono::milliseconds(300));
    EXPECT_EQ(status.result, kWeiboFailed);
    EXPECT_EQ(server.Connections(), 2u);
    EXPECT_GE(watch.ElapsedMs(), 300);
}
