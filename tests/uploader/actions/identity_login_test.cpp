// Client identity and login against the substitute service, with the exact bodies the
// service received.

#include <gtest/gtest.h>

#include "actions/auth_action.h"
#include "actions/client_identity.h"
#include "actions/command_line_login.h"
#include "actions_fixture.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using namespace actions;
using actions_test::ActionsTest;
using net_test::Md5HexOf;

namespace {

class LoginTest : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        ASSERT_EQ(EnsureClientIdentity(), 1);
        m_Service->ClearRequests();
    }

    // Prepare and Execute with the given password (and captcha text); Execute's result.
    int LogIn(const std::u16string& password, const std::u16string& captcha = {}) {
        m_Auth = std::make_unique<CAuthAction>();
        m_Auth->m_UserName = u"alice";
        m_Auth->m_Password = password;
        m_Auth->m_Captcha = captcha;
        m_Prepared = m_Auth->Prepare();
        return m_Auth->Execute();
    }

    std::string Cid() const { return platform::WideToUtf8(settings::GetClientId()); }
    std::string Cname() const { return platform::WideToUtf8(settings::GetChanger()); }
    static bool NothingStored() {
        return settings::GetToken().empty() && settings::GetUserId().empty() &&
               !settings::ReadString(settings::kFlingaKey, settings::kUserToken);
    }

    std::unique_ptr<CAuthAction> m_Auth;
    int m_Prepared = -2;
};

}  // namespace

TEST_F(ActionsTest, IdentityHandshakeIsStoredAndReused) {
    ASSERT_EQ(EnsureClientIdentity(), 1);
    const auto init = RequestsTo("/app/pc/clientid.init.php");
    const auto auth = BodiesTo("/app/pc/clientid.auth.php");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].body, "");
    ASSERT_EQ(auth.size(), 1u);
    const std::string secret = platform::WideToUtf8(settings::GetClientSecret());
    const std::string id = platform::WideToUtf8(settings::GetClientId());
    EXPECT_EQ(auth[0], "cid=" + id + "&secret=" + secret);
    EXPECT_EQ(settings::ReadString(settings::kNorvelKey, settings::kClientId),
              settings::GetClientId());

    // A complete pair is reused; a stored id without its secret is obtained again.
    m_Service->ClearRequests();
    settings::ResetCaches();
    EXPECT_EQ(EnsureClientIdentity(), 1);
    EXPECT_TRUE(m_Service->Requests().empty());
    settings::DeleteValue(settings::kNorvelKey, settings::kClientSecret);
    settings::ResetCaches();
    EXPECT_EQ(EnsureClientIdentity(), 1);
    EXPECT_EQ(RequestsTo("/app/pc/clientid.init.php").size(), 1u);
    EXPECT_NE(settings::GetClientId(), platform::Utf8ToWide(id));
}

TEST_F(ActionsTest, ClientIdIsTheDigestOfSeedThenSecret) {
    CInitClientIDAction action;
    ASSERT_EQ(action.RequestIdentity(), 0);
    const auto auth = BodiesTo("/app/pc/clientid.auth.php");
    ASSERT_EQ(auth.size(), 1u);
    // The service registered the digest it computed itself; the action kept the same one.
    EXPECT_EQ(auth[0].substr(4, 32), platform::WideToUtf8(action.GetIdentity().clientId));
    EXPECT_TRUE(settings::GetClientId().empty());  // only EnsureClientIdentity stores
}

TEST_F(LoginTest, RightPasswordStoresTokenAndFigures) {
    EXPECT_EQ(LogIn(u"pa55word"), 0);
    EXPECT_EQ(m_Prepared, kLoginCaptchaNotNeeded);
    EXPECT_EQ(BodiesTo("/app/pc/user.init.php").back(), "username=alice&cid=" + Cid());
    const auto auth = BodiesTo("/app/pc/user.auth.php");
    ASSERT_EQ(auth.size(), 1u);
    const std::string challenge = platform::WideToUtf8(GetLoginChallenge().challenge);
    EXPECT_EQ(auth[0], "crypt=" + Md5HexOf(std::string(actions_test::kPassword) + challenge) +
                           "&captchaid=&captcha=&username=alice&cid=" + Cid() +
                           "&cname=" + Cname());
    const AuthResult& result = m_Auth->GetResult();
    EXPECT_EQ(result.login, u"true");
    EXPECT_FALSE(result.token.empty());
    EXPECT_EQ(settings::GetToken(), result.token);
    EXPECT_EQ(settings::GetUserId(), platform::WideToAnsi(result.uid));
    EXPECT_EQ(settings::GetMaxFileSize(), result.maxfs);
    EXPECT_EQ(settings::GetUserLevel(), u"1");
    EXPECT_EQ(LogRecords("AUTH_Login").size(), 1u);
}

TEST_F(LoginTest, WrongPasswordStoresNothingAndKeepsTheChallenge) {
    EXPECT_EQ(LogIn(u"wrong"), -1);
    EXPECT_EQ(m_Auth->GetResult().login, u"false");
    EXPECT_FALSE(m_Auth->GetResult().error.empty());
    EXPECT_TRUE(NothingStored());
    // A retry without a new preparation uses the kept challenge.
    m_Auth->m_Password = u"pa55word";
    EXPECT_EQ(m_Auth->Execute(), 0);
    EXPECT_EQ(RequestsTo("/app/pc/user.init.php").size(), 2u);  // the first one's nonce retry
}

TEST_F(LoginTest, CaptchaAfterRepeatedFailures) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LogIn(u"wrong"), -1);
    // The fourth preparation brings a captcha; a wrong answer is a captcha request.
    EXPECT_EQ(LogIn(u"pa55word", u"nope"), -1);
    EXPECT_EQ(m_Prepared, 0);
    EXPECT_EQ(m_Auth->GetResult().login, u"error");
    EXPECT_TRUE(NothingStored());
    const LoginChallenge asked = GetLoginChallenge();
    EXPECT_EQ(asked.captchaId, m_Auth->GetResult().captchaId);
    ASSERT_FALSE(asked.captchaId.empty());

    // The new challenge and captcha id serve the next attempt without a preparation.
    CAuthAction again;
    again.m_UserName = u"alice";
    again.m_Password = u"pa55word";
    again.m_Captcha = platform::Utf8ToWide(m_Service->CaptchaText("alice"));
    EXPECT_EQ(again.Execute(), 0);
    EXPECT_NE(BodiesTo("/app/pc/user.auth.php")
                  .back()
                  .find("&captchaid=" + platform::WideToUtf8(asked.captchaId) + "&captcha="),
              std::string::npos);
}

TEST_F(LoginTest, AgainWithoutPreparationThenSuccess) {
    CAuthAction auth;  // no challenge at the service for this client yet
    auth.m_UserName = u"alice";
    auth.m_Password = u"pa55word";
    EXPECT_EQ(auth.Execute(), -1);
    EXPECT_EQ(auth.GetResult().login, u"error");
    EXPECT_FALSE(GetLoginChallenge().challenge.empty());
    EXPECT_EQ(auth.Execute(), 0);
}

TEST_F(LoginTest, NonAsciiPasswordIsDigestedInUtf8) {
    ASSERT_TRUE(m_Service->AddUser("bob", "pässwörd密码"));
    CAuthAction auth;
    auth.m_UserName = u"bob";
    auth.m_Password = u"pässwörd密码";
    EXPECT_EQ(auth.Prepare(), kLoginCaptchaNotNeeded);
    EXPECT_EQ(auth.Execute(), 0);
}

TEST_F(LoginTest, CommandLineLoginWithCaptchaAndKeptLogin) {
    EXPECT_EQ(LoginForCommandLine(u"alice", u"wrong").outcome,
              CommandLineLoginOutcome::WrongPassword);
    EXPECT_TRUE(NothingStored());
    ASSERT_TRUE(m_Service->SetSwitch("force_captcha", "1"));
    const CommandLineLoginResult asked = LoginForCommandLine(u"alice", u"pa55word");
    ASSERT_EQ(asked.outcome, CommandLineLoginOutcome::CaptchaRequired);
    EXPECT_EQ(asked.captchaUrl.rfind(u"http://", 0), 0u);
    const std::u16string text = platform::Utf8ToWide(m_Service->CaptchaText("alice"));

    // Answered later, by its id: a new preparation does not invalidate it.
    const CommandLineLoginResult done =
        LoginForCommandLine(u"alice", u"pa55word", text, asked.captchaId);
    ASSERT_EQ(done.outcome, CommandLineLoginOutcome::LoggedIn);
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kKeepLogin), 1u);
    EXPECT_EQ(settings::ReadString(settings::kFlingaKey, settings::kUserName), u"alice");
    EXPECT_EQ(settings::ReadString(settings::kFlingaKey, settings::kUserId), done.userId);
    EXPECT_FALSE(settings::ReadDword(settings::kFlingaKey, settings::kSystemStartTime));
    EXPECT_EQ(RequestsTo("/app/pc/user.info.php").size(), 1u);
}
