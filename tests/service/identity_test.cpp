// Client identity, request signing, login with captcha, user information, web login and
// statistics, driven over HTTP.

#include "service_client.h"

namespace norvel::test {
namespace {

using IdentityTest = ServiceFixture;

TEST_F(IdentityTest, ClientIdIsTheDigestOfSeedAndSecret) {
    const auto init = ReplyJson(service.Post("/app/pc/clientid.init.php", ""));
    ASSERT_FALSE(init.Text("seed").empty());
    const std::string secret = init.Text("secret");
    const auto wrongOrder =
        service.Post("/app/pc/clientid.auth.php",
                     "cid=" + Md5(secret + init.Text("seed")) + "&secret=" + secret);
    EXPECT_EQ(wrongOrder.status, 400);
    EXPECT_EQ(ReplyJson(wrongOrder).Text("success"), "false");
    EXPECT_FALSE(ReplyJson(wrongOrder).Text("error").empty());
    const auto right = service.Post("/app/pc/clientid.auth.php",
                                    "cid=" + Md5(init.Text("seed") + secret) + "&secret=" + secret);
    EXPECT_EQ(right.status, 200);
    EXPECT_EQ(ReplyJson(right).Text("success"), "true");
}

TEST_F(IdentityTest, UnsignedOrBadlySignedRequestsGet401WithANonce) {
    const auto first = client.CallOnce("/app/pc/user.init.php", "username=alice&cid=" + client.cid);
    EXPECT_EQ(first.status, 401);  // signed with an empty nonce
    const std::string header = first.Header("KDW-Auth");
    EXPECT_NE(header.find("Nonce=\""), std::string::npos) << header;
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "username=alice&cid=" + client.cid).status, 200);
    EXPECT_EQ(service.Post("/app/pc/user.init.php", "username=alice&cid=x").status,
              401);  // no header

    CTestClient stranger(service);
    stranger.cid = "unknown";
    stranger.secret = "s";
    EXPECT_EQ(stranger.Call("/app/pc/user.init.php", "username=a&cid=unknown").status, 401);

    CTestClient wrongSecret = client;
    wrongSecret.secret = "not-the-secret";
    EXPECT_EQ(wrongSecret.Call("/app/pc/user.init.php", "username=a&cid=x").status, 401);

    CTestClient stale = client;
    stale.createdOffset = -3600;  // an hour old
    EXPECT_EQ(stale.Call("/app/pc/user.init.php", "username=a&cid=x").status, 401);
}

TEST_F(IdentityTest, NonceSwitches) {
    ASSERT_EQ(client.Call("/app/pc/user.init.php", "username=a&cid=x").status, 200);
    ASSERT_TRUE(service.SetSwitch("nonce_every", "2"));
    EXPECT_EQ(client.CallOnce("/app/pc/user.init.php", "username=a&cid=x").status, 200);
    EXPECT_EQ(client.CallOnce("/app/pc/user.init.php", "username=a&cid=x").status, 200);
    EXPECT_EQ(client.CallOnce("/app/pc/user.init.php", "username=a&cid=x").status, 401);
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "username=a&cid=x").status, 200);
    ASSERT_TRUE(service.SetSwitch("nonce_every", "0"));

    ASSERT_TRUE(service.DemandNonce());
    EXPECT_EQ(client.CallOnce("/app/pc/user.init.php", "username=a&cid=x").status, 401);
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "username=a&cid=x").status, 200);

    ASSERT_TRUE(service.SetSwitch("reject_signatures", "1"));
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "username=a&cid=x").status, 401);
    ASSERT_TRUE(service.SetSwitch("reject_signatures", "0"));
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "username=a&cid=x").status, 200);
}

TEST_F(IdentityTest, LoginAnswersTokenAndAccountFigures) {
    ASSERT_TRUE(service.AddUser("bob", "b0b", 1000000, 5000, "vip"));
    const auto init =
        ReplyJson(client.Call("/app/pc/user.init.php", "username=bob&cid=" + client.cid));
    EXPECT_FALSE(init.Find("captcha"));  // no captcha wanted yet
    const std::string body = "crypt=" + Md5("b0b" + init.Text("challenge")) +
                             "&captchaid=&captcha=&username=bob&cid=" + client.cid + "&cname=PC01";
    const auto auth = ReplyJson(client.Call("/app/pc/user.auth.php", body));
    EXPECT_EQ(auth.Text("login"), "true");
    EXPECT_EQ(auth.Text("token").size(), 40u);
    EXPECT_FALSE(auth.Text("hbgap").empty());
    const auto info = auth.Find("userinfo");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Text("maxfs"), "5000");
    EXPECT_EQ(info->Text("level"), "vip");
    EXPECT_EQ(info->Text("spacecapacity"), "1000000");
    EXPECT_FALSE(info->Text("uid").empty());
    EXPECT_FALSE(info->Text("periodofvalidity").empty());
    // The challenge was used up by the success.
    EXPECT_EQ(ReplyJson(client.Call("/app/pc/user.auth.php", body)).Text("login"), "again");
}

TEST_F(IdentityTest, RefusalKeepsTheChallengeAndThreeFailuresBringACaptcha) {
    const auto init =
        ReplyJson(client.Call("/app/pc/user.init.php", "username=alice&cid=" + client.cid));
    const std::string challenge = init.Text("challenge");
    auto attempt = [&](const std::string& password, const std::string& captchaId,
                       const std::string& captcha) {
        return ReplyJson(client.Call("/app/pc/user.auth.php",
                                     "crypt=" + Md5(password + challenge) +
                                         "&captchaid=" + captchaId + "&captcha=" + captcha +
                                         "&username=alice&cid=" + client.cid + "&cname=PC"));
    };
    const auto refused = attempt("wrong", "", "");
    EXPECT_EQ(refused.Text("login"), "false");
    EXPECT_FALSE(refused.Text("error").empty());
    EXPECT_EQ(attempt("wrong", "", "").Text("login"), "false");
    EXPECT_EQ(attempt("wrong", "", "").Text("login"), "false");
    // Three failures: the same challenge with the right password now needs a captcha.
    const auto again = attempt("pa55word", "", "");
    EXPECT_EQ(again.Text("login"), "again");
    EXPECT_FALSE(again.Text("challenge").empty());
    EXPECT_FALSE(again.Text("captcha").empty());
    EXPECT_FALSE(again.Text("rcaptchaid").empty());

    const auto init2 =
        ReplyJson(client.Call("/app/pc/user.init.php", "username=alice&cid=" + client.cid));
    ASSERT_FALSE(init2.Text("captchaid").empty());
    EXPECT_EQ(service.Get(init2.Text("captcha").substr(service.BaseUrl().size())).status,
              200);  // the image
    const std::string text = service.CaptchaText("alice");
    ASSERT_EQ(text.size(), 4u);
    const auto ok = ReplyJson(client.Call(
        "/app/pc/user.auth.php", "crypt=" + Md5("pa55word" + init2.Text("challenge")) +
                                     "&captchaid=" + init2.Text("captchaid") + "&captcha=" + text +
                                     "&username=alice&cid=" + client.cid + "&cname=PC"));
    EXPECT_EQ(ok.Text("login"), "true");
}

TEST_F(IdentityTest, ForcedCaptchaAndUnknownUsers) {
    ASSERT_TRUE(service.SetSwitch("force_captcha", "1"));
    const auto init =
        ReplyJson(client.Call("/app/pc/user.init.php", "username=alice&cid=" + client.cid));
    EXPECT_FALSE(init.Text("captchaid").empty());
    ASSERT_TRUE(service.SetSwitch("force_captcha", "0"));
    const auto nobody =
        ReplyJson(client.Call("/app/pc/user.init.php", "username=nobody&cid=" + client.cid));
    const auto auth = ReplyJson(client.Call(
        "/app/pc/user.auth.php", "crypt=" + Md5("x" + nobody.Text("challenge")) +
                                     "&captchaid=&captcha=&username=nobody&cid=" + client.cid +
                                     "&cname=PC"));
    EXPECT_EQ(auth.Text("login"), "false");
    EXPECT_EQ(client.Call("/app/pc/user.init.php", "cid=" + client.cid).status, 400);
}

TEST_F(IdentityTest, UserInfoAndExpiredTokens) {
    ASSERT_TRUE(LoginAlice());
    const std::string body = "token=" + client.token + "&username=alice&cname=PC01";
    const auto info = client.Call("/app/pc/user.info.php", body);
    ASSERT_EQ(info.status, 200);
    const auto reply = ReplyJson(info);
    for (const char* member :
         {"maxfs", "level", "uid", "spacecapacity", "usedspacecapacity", "periodofvalidity"})
        EXPECT_FALSE(reply.Text(member).empty()) << member;
    EXPECT_EQ(reply.Text("usedspacecapacity"), "0");
    EXPECT_EQ(client.Call("/app/pc/user.info.php", "token=bogus&username=alice&cname=PC").status,
              400);
    EXPECT_EQ(
        client.Call("/app/pc/user.info.php", "token=" + client.token + "&username=bob&cname=PC")
            .status,
        400);
    ASSERT_TRUE(service.ExpireTokens());
    EXPECT_EQ(client.Call("/app/pc/user.info.php", body).status, 440);
    ASSERT_TRUE(LoginAlice());  // a new login gives a new, valid token
    EXPECT_EQ(
        client.Call("/app/pc/user.info.php", "token=" + client.token + "&username=alice&cname=PC")
            .status,
        200);
}

TEST_F(IdentityTest, OneTimeWebLoginLeadsToTheWebDisk) {
    ASSERT_TRUE(LoginAlice());
    const std::string ru = "http%3A%2F%2F" + service.HostPort() + "%2Fdisk%2F%23%2F";
    const auto reply = ReplyJson(client.Call(
        "/app/pc/user.login.php", "token=" + client.token + "&fmt=json&appid=12&ru=" + ru));
    const std::string url = reply.Text("url");
    ASSERT_EQ(url.rfind(service.BaseUrl() + "/login.php?ticket=", 0), 0u) << url;
    const std::string target = url.substr(service.BaseUrl().size());
    const auto login = service.Get(target);
    EXPECT_EQ(login.status, 302);
    EXPECT_EQ(login.Header("Location"), service.BaseUrl() + "/disk/#/");
    const std::string cookie =
        login.Header("Set-Cookie").substr(0, login.Header("Set-Cookie").find(';'));
    HttpRequest disk;
    disk.method = "GET";
    disk.port = service.Port();
    disk.target = "/disk/";
    disk.headers = {"Cookie: " + cookie};
    const auto page = SendHttp(disk);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("我收到的文件"), std::string::npos);
    EXPECT_EQ(service.Get(target).status, 403);    // the address works once
    EXPECT_EQ(service.Get("/disk/").status, 302);  // no session: to the login page
    EXPECT_EQ(client.Call("/app/pc/user.login.php", "token=bogus&fmt=json&appid=12&ru=").status,
              400);
}

TEST_F(IdentityTest, StatisticsAreRecorded) {
    ASSERT_TRUE(LoginAlice());
    EXPECT_EQ(client
                  .Call("app/stat/stat.php", "source=5&cid=" + client.cid + "&uid=" + client.uid +
                                                 "&token=" + client.token + "&opt=1")
                  .status,
              200);
    EXPECT_EQ(
        client.Call("app/stat/stat.php", "source=5&cid=" + client.cid + "&uid=anonymous&opt=3")
            .status,
        200);
    EXPECT_EQ(client.Call("app/stat/stat.php", "source=5&uid=anonymous").status, 400);
    const auto stats = service.Stats();
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].at("uid"), client.uid);
    EXPECT_EQ(stats[0].at("opt"), "1");
    EXPECT_EQ(stats[0].at("valid"), "true");
    EXPECT_EQ(stats[1].at("uid"), "anonymous");
    EXPECT_EQ(stats[1].at("opt"), "3");
}

TEST_F(IdentityTest, WebPagesAnswer) {
    EXPECT_EQ(service.Get("/").status, 200);
    EXPECT_EQ(service.Get("/login.php?appid=12&ru=x").status, 200);
    EXPECT_EQ(service.Get("/accounts/newAccount?r=uploader").status, 200);
    EXPECT_EQ(service.Post("/accounts/newAccount", "username=carol&password=c4rol").status, 200);
    EXPECT_EQ(service.Post("/accounts/newAccount", "username=carol&password=other").status, 409);
    EXPECT_TRUE(client.Login("carol", "c4rol"));
    EXPECT_EQ(service.Post("/login.php", "username=carol&password=c4rol&ru=%2Fdisk%2F")
                  .Header("Location"),
              "/disk/");
    EXPECT_EQ(
        service.Post("/login.php", "username=carol&password=c4rol&ru=http%3A%2F%2Fevil.example%2F")
            .Header("Location"),
        "/disk/");
    EXPECT_EQ(service.Post("/login.php", "username=carol&password=bad").status, 403);
}

}  // namespace
}  // namespace norvel::test
