// Share links (account and anonymous) and the Sina Weibo relay against the substitute
// service, with files uploaded by the service's own test client.

#include <gtest/gtest.h>

#include <filesystem>

#include "actions/anonylink_action.h"
#include "actions/createlink_action.h"
#include "actions/weibo_action.h"
#include "actions_fixture.h"
#include "platform/text.h"
#include "service/form.h"
#include "service_client.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/test_env.h"

using namespace actions;
using actions_test::ActionsTest;

namespace {

class LinksTest : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        ASSERT_TRUE(LogInAlice());
        m_Client = std::make_unique<norvel::test::CTestClient>(*m_Service);
        ASSERT_TRUE(m_Client->Register());
        m_Service->ClearRequests();
    }

    // Uploads a file; its upload path. Logged in, it is also registered in
    // "/我的网盘/我收到的文件" of alice.
    std::string Upload(const std::string& name, const std::string& content, bool account) {
        if (account && m_Client->token.empty()) {
            EXPECT_TRUE(m_Client->Login("alice", actions_test::kPassword));
        }
        const auto ticket = m_Client->Authorize(account ? "" : "PC01");
        EXPECT_TRUE(ticket);
        const std::string url =
            norvel::test::CUploadDriver(*m_Service, *ticket, name, content).Run().path;
        if (account)
            m_Client->Call("/app/pc/disk.mkfile.php",
                           "token=" + m_Client->token +
                               "&changer=PC&rootfs=/我的网盘/我收到的文件&files=[{ \"md5\" : \"" +
                               norvel::test::Md5(content) + "\" , \"name\" : \"" +
                               norvel::service::UrlEncode("/" + name) + "\" , \"size\" : \"" +
                               std::to_string(content.size()) + "\" , \"url\" : \"" + url +
                               "\" }]");
        return url;
    }
    std::string PageOf(const std::string& url) {
        return m_Service->Get(url.substr(m_Service->BaseUrl().size())).body;
    }
    std::string Token() const { return platform::WideToUtf8(settings::GetToken()); }
    std::string Cname() const { return platform::WideToUtf8(settings::GetChanger()); }

    std::unique_ptr<norvel::test::CTestClient> m_Client;
};

}  // namespace

TEST_F(LinksTest, TwoFilesMakeOneLinkWhosePageListsBoth) {
    Upload("a b.txt", "first file", true);
    Upload("报告.txt", "second", true);
    m_Service->ClearRequests();
    CCreatelinkAction link({u"/我收到的文件/a b.txt", u"/我收到的文件/报告.txt"}, kNorvelLink);
    ASSERT_EQ(link.Execute(), 0);
    const std::string files =
        R"([{ "name" : "%2F%E6%88%91%E6%94%B6%E5%88%B0%E7%9A%84%E6%96%87%E4%BB%B6%2Fa+b%2Etxt" },)"
        R"({ "name" : "%2F%E6%88%91%E6%94%B6%E5%88%B0%E7%9A%84%E6%96%87%E4%BB%B6%2F%E6%8A%A5%E5%91%8A%2Etxt" }])";
    EXPECT_EQ(link.GetFilesText(), files);
    EXPECT_EQ(BodiesTo("/app/pc/createlink.php"),
              std::vector<std::string>{"token=" + Token() + "&appid=18&cname=" + Cname() +
                                       "&basepath=%2F&files=" + files +
                                       "&rootfs=%2F%E6%88%91%E7%9A%84%E7%BD%91%E7%9B%98"
                                       "&form=norvel_external_link"});
    EXPECT_EQ(link.GetTitle(), "a b.txt 等2个文件");
    const std::string page = PageOf(link.GetUrl());
    EXPECT_NE(page.find("a b.txt"), std::string::npos);
    EXPECT_NE(page.find("报告.txt"), std::string::npos);
}

TEST_F(LinksTest, FilesTextFromLocalPaths) {
    norvel::test::TempDir dir;
    const std::u16string root = platform::Utf8ToWide(dir.Path());
    std::filesystem::create_directories(dir.File("sync/sub"));
    std::filesystem::create_directories(dir.File("case"));
    norvel::test::WriteFile(dir.File("case/公文包数据库"), "");
    norvel::test::WriteFile(dir.File("case/x.txt"), "");
    std::filesystem::permissions(
        dir.File("case"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    settings::WriteString(settings::kFerronKey, settings::kSyncFolder, root + u"/sync");
    settings::ResetCaches();
    CCreatelinkAction link(
        {root + u"/sync/sub", root + u"/sync/sub/a.txt", root + u"/case/x.txt", u"C:\\docs\\b.txt"},
        kNormalLink);
    link.BuildFiles();
    EXPECT_EQ(link.FileCount(), 2u);
    EXPECT_EQ(link.GetFilesText(),
              R"([{ "name" : "%2Fsub%2Fa%2Etxt" },{ "name" : "C%3A%2Fdocs%2Fb%2Etxt" }])");
    EXPECT_EQ(link.GetFormText(), "normal_external_link");
    std::filesystem::permissions(dir.File("case"), std::filesystem::perms::owner_all);

    // A link for a Sina Weibo post carries the account's attributes.
    CCreatelinkAction weibo({u"/a.txt"}, kWeiboLink);
    weibo.SetWeiboAttributes({"123", "норвел", "true", "false", "/f/ab"});
    weibo.BuildFiles();
    EXPECT_EQ(weibo.GetFilesText(),
              R"([{ "name" : "%2Fa%2Etxt" }]&attrs={ "sina_weibo_follow" : "true" , )"
              R"("sina_weibo_retweet" : "false" , "sina_weibo_screen_name" : "норвел" , )"
              R"("sina_weibo_thumbnail" : "\/f\/ab" , "sina_weibo_uid" : "123" })");
    EXPECT_EQ(weibo.GetFormText(), "sina_weibo_external_link");
    // Nothing qualifies: no request.
    CCreatelinkAction none({root + u"/sync"}, kNorvelLink);
    EXPECT_EQ(none.Execute(), -1);
    EXPECT_TRUE(RequestsTo("/app/pc/createlink.php").empty());
}

TEST_F(LinksTest, AnonymousLinkFromUploadAddresses) {
    const std::string first = Upload("x", "anonymous content", false);
    const std::string second = Upload("y", "more", false);
    m_Service->ClearRequests();
    CCreateAnonylinkAction link(std::vector<AnonymousFile>{
        {u"报告 1.txt", platform::Utf8ToWide(first)}, {u"b.txt", platform::Utf8ToWide(second)}});
    ASSERT_EQ(link.Execute(), 0);
    const auto Escaped = [](const std::string& path) {  // as the JSON writer writes "/"
        std::string escaped;
        for (char c : path)
            escaped += c == '/' ? std::string("\\/") : std::string(1, c);
        return escaped;
    };
    const std::string attachments =
        R"({"0":{ "kdwurl" : ")" + Escaped(first) +
        R"(" , "name" : "%E6%8A%A5%E5%91%8A+1%2Etxt" },"1":{ "kdwurl" : ")" + Escaped(second) +
        R"(" , "name" : "b%2Etxt" }})";
    EXPECT_EQ(BodiesTo("/app/pc/anonymous_createlink.php"),
              std::vector<std::string>{"attachments=" + attachments + "&cname=" + Cname() +
                                       "&form=norvel_external_link"});
    EXPECT_EQ(link.GetTitle(), "报告 1.txt 等2个文件");
    EXPECT_NE(PageOf(link.GetUrl()).find("b.txt"), std::string::npos);
}

TEST_F(LinksTest, WeiboStatusBindPostUnbind) {
    EXPECT_EQ(QueryWeiboAccount(std::chrono::milliseconds(1)).result, 6);  // none bound
    std::string bindUrl;
    ASSERT_EQ(BindWeibo(bindUrl), 0);
    ASSERT_EQ(bindUrl.rfind(m_Service->BaseUrl() + "/weibo/bind?code=", 0), 0u) << bindUrl;
    ASSERT_EQ(
        m_Service->Post("/weibo/bind", "code=" + bindUrl.substr(bindUrl.find("code=") + 5)).status,
        200);

    const WeiboAccountStatus status = QueryWeiboAccount();
    EXPECT_EQ(status.result, 0);
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.screenName, "norvel_alice");
    EXPECT_EQ(GetBoundWeiboAccount().uid, status.account);

    std::string messageId;
    const std::string content = platform::WideToAnsi(u"分享了文件“a.txt”");
    ASSERT_EQ(PostToWeibo(content, "/f/abc", "http://x/s/1", messageId), 0);
    const auto posts = m_Service->Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].at("content"), "分享了文件“a.txt”");
    EXPECT_EQ(posts[0].at("msgid"), messageId);
    const std::string prefix = "token=" + Token() + "&cname=" + Cname() + "&action=";
    EXPECT_EQ(BodiesTo("/app/pc/sina_weibo.php"),
              (std::vector<std::string>{prefix + "account_status", prefix + "account_status",
                                        prefix + "account_bind", prefix + "account_status",
                                        prefix + "post&content=分享了文件“a.txt”&pic=/f/abc"
                                                 "&resource_url=http://x/s/1"}));
    EXPECT_EQ(UnbindWeibo(), 0);
    EXPECT_TRUE(GetBoundWeiboAccount().uid.empty());
    EXPECT_EQ(UnbindWeibo(), kWeiboFailed);  // nothing bound any more
}
