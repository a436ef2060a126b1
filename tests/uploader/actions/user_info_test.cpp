// User information and the saved login it confirms, and the visit URL with the addresses
// opened in the browser.

#include <gtest/gtest.h>

#include <algorithm>

#include "actions/actions.h"
#include "actions/user_info.h"
#include "actions/visit_url.h"
#include "actions_fixture.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/session_state.h"
#include "settings/settings.h"

using namespace actions;
using actions_test::ActionsTest;
using actions_test::OpenedUrls;

namespace {

class UserInfoTest : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        ASSERT_TRUE(LogInAlice());
        settings::SetUserName(u"alice");
        m_Service->ClearRequests();
    }
    std::string Token() const { return platform::WideToUtf8(settings::GetToken()); }
    std::string Base() const { return m_Service->BaseUrl(); }
};

}  // namespace

TEST_F(UserInfoTest, FiguresReachTheSettingsUntilTheTokenExpires) {
    settings::SetSpaceCapacity(u"");
    CGetUserMsgAction info(u"alice");
    EXPECT_EQ(info.Execute(), 0);
    EXPECT_EQ(BodiesTo("/app/pc/user.info.php"),
              std::vector<std::string>{"token=" + Token() + "&username=alice&cname=" +
                                       platform::WideToUtf8(settings::GetChanger())});
    EXPECT_EQ(settings::GetSpaceCapacity(), u"10737418240");
    EXPECT_EQ(settings::GetUsedSpace(), u"0");
    ASSERT_TRUE(m_Service->ExpireTokens("alice"));
    EXPECT_EQ(info.Execute(), kUserInfoTokenExpired);
    EXPECT_EQ(info.m_ErrorCode, 440);
}

TEST_F(UserInfoTest, SavedLoginIsConfirmedByTheService) {
    settings::LoginCompletion login{true, u"alice", settings::GetToken(), settings::GetUserId()};
    ASSERT_TRUE(settings::SaveLoginCompletion(login));
    settings::ResetCaches();
    settings::LoginConfirmation confirmation{&actions::ConfirmSavedLogin};
    settings::CSessionState session;
    EXPECT_EQ(settings::RestoreSavedLogin(session, confirmation), 1);
    EXPECT_TRUE(session.IsLoggedIn());
    ASSERT_TRUE(m_Service->ExpireTokens("alice"));
    confirmation.retryWait = std::chrono::milliseconds(1);
    EXPECT_EQ(settings::RestoreSavedLogin(session, confirmation), 0);
    EXPECT_EQ(RequestsTo("/app/pc/user.info.php").size(), 4u);  // one, then three tries
}

TEST_F(UserInfoTest, VisitUrlOpensTheOneTimeLoginAddress) {
    OpenedUrls opened;
    CGetVisitUrlAction folder(u"我的网盘/我收到的文件", kVisitFolder);
    EXPECT_EQ(folder.Execute(), 0);
    const std::string ru = folder.ReturnAddress();
    EXPECT_EQ(ru, "http%3A%2F%2F127.0.0.1%3A" + std::to_string(m_Service->Port()) +
                      "%2Fdisk%2F%23%2F%25E6%2588%2591%25E7%259A%2584%25E7%25BD%2591%25E7%259B%2598"
                      "%252F%25E6%2588%2591%25E6%2594%25B6%25E5%2588%25B0%25E7%259A%2584%25E6%2596"
                      "%2587%25E4%25BB%25B6");
    EXPECT_EQ(BodiesTo("/app/pc/user.login.php"),
              std::vector<std::string>{"token=" + Token() + "&fmt=json&appid=12&ru=" + ru});
    const auto urls = opened.Wait(1);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].rfind(Base() + "/login.php?ticket=", 0), 0u) << urls[0];
    EXPECT_NE(urls[0].find("&ru=http%3A%2F%2F127.0.0.1"), std::string::npos) << urls[0];

    // A path given as a path keeps its dot and loses its leading separator.
    EXPECT_EQ(CGetVisitUrlAction(u"\\dir\\a.txt", kVisitPath).ReturnAddress(), "dir%2Fa.txt");
    EXPECT_EQ(CGetVisitUrlAction(u"/dir", 1).ReturnAddress(), "");

    // Without a valid web login, the login page of the login host opens instead.
    settings::WriteDword(settings::kFlingaKey, settings::kRevalid, 0);
    m_Service->ClearRequests();
    EXPECT_EQ(CGetVisitUrlAction(u"\\dir\\a.txt", kVisitPath).Execute(), 0);
    EXPECT_EQ(opened.Wait(2).back(), Base() + "/login.php?appid=12&ru=dir%2Fa.txt");
    EXPECT_TRUE(RequestsTo("/app/pc/user.login.php").empty());

    // An expired token opens the main web page.
    settings::DeleteValue(settings::kFlingaKey, settings::kRevalid);
    ASSERT_TRUE(m_Service->ExpireTokens("alice"));
    EXPECT_EQ(CGetVisitUrlAction(u"x", kVisitPath).Execute(), 0);
    EXPECT_EQ(opened.Wait(3).back(), Base() + "/");
}

TEST_F(ActionsTest, OpenUrlOpensOnlyWebAddresses) {
    OpenedUrls opened;
    const std::string main = m_Service->BaseUrl() + "/";
    for (const char16_t* url : {u"http://127.0.0.1/s/1", u"HTTPS://x/", u"", u"ftp://x/",
                                u"file:///etc/passwd", u"http://x/a b", u"--help", u"http://"})
        EXPECT_EQ(OpenUrl(url), 0) << platform::WideToUtf8(url);
    // The openers run side by side: compare without their order.
    std::vector<std::string> urls = opened.Wait(8);
    std::sort(urls.begin(), urls.end());
    std::vector<std::string> expected{
        "http://127.0.0.1/s/1", "HTTPS://x/", main, main, main, main, main, main};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(urls, expected);
}
