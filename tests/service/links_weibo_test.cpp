// Share links (account and anonymous) with their pages and downloads, and the Sina Weibo
// relay with its binding page.

#include <filesystem>
#include <random>

#include "service/form.h"
#include "service_client.h"
#include "support/test_env.h"

namespace norvel::test {
namespace {

class LinksTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        ASSERT_TRUE(LoginAlice());
    }

    // Uploads and registers a file in "/我的网盘/我收到的文件".
    void Store(const std::string& name, const std::string& content) {
        const auto ticket = client.Authorize();
        ASSERT_TRUE(ticket);
        const std::string url = CUploadDriver(service, *ticket, name, content).Run().path;
        const auto made = client.Call(
            "/app/pc/disk.mkfile.php",
            "token=" + client.token +
                "&changer=PC&rootfs=/我的网盘/我收到的文件&files=[{ \"md5\" : \"" + Md5(content) +
                "\" , \"name\" : \"" + service::UrlEncode("/" + name) + "\" , \"size\" : \"" +
                std::to_string(content.size()) + "\" , \"url\" : \"" + url + "\" }]");
        ASSERT_EQ(ReplyJson(made).Text("action"), "true");
    }

    HttpResponse CreateLink(const std::string& files,
                            const std::string& form = "norvel_external_link") {
        return client.Call("/app/pc/createlink.php",
                           "token=" + client.token +
                               "&appid=18&cname=PC01&basepath=%2F&files=" + files +
                               "&rootfs=" + service::UrlEncode("/我的网盘") + "&form=" + form);
    }

    std::string Target(const std::string& url) { return url.substr(service.BaseUrl().size()); }
};

TEST_F(LinksTest, LinkToFilesOfTheTreeListsAndDownloadsThem) {
    Store("a b.txt", "first file");
    Store("b.txt", "second");
    const std::string files = "[{ \"name\" : \"" + service::UrlEncode("/我收到的文件/a b.txt") +
                              "\" },{ \"name\" : \"" + service::UrlEncode("/我收到的文件/b.txt") +
                              "\" }]";
    const auto created = CreateLink(files);
    ASSERT_EQ(created.status, 200) << created.body;
    const auto reply = ReplyJson(created);
    EXPECT_EQ(reply.Text("title"), "a b.txt 等2个文件");
    const std::string url = reply.Text("url");
    ASSERT_EQ(url.rfind(service.BaseUrl() + "/s/", 0), 0u);
    const auto page = service.Get(Target(url));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("a b.txt"), std::string::npos);
    const auto download = service.Get(Target(url) + "/0");
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, "first file");
    EXPECT_EQ(download.Header("Content-Disposition"), "attachment; filename*=UTF-8''a%20b.txt");
    EXPECT_EQ(service.Get(Target(url) + "/1").body, "second");
    EXPECT_EQ(service.Get(Target(url) + "/2").status, 404);
    EXPECT_EQ(service.Get("/s/nosuchlink").status, 404);
}

TEST_F(LinksTest, RefusedLinkRequests) {
    Store("a.txt", "content");
    const auto missing = CreateLink("[{ \"name\" : \"%2Fnope.txt\" }]");
    EXPECT_EQ(missing.status, 400);
    EXPECT_EQ(ReplyJson(missing).Text("errno"), "5");
    EXPECT_FALSE(ReplyJson(missing).Text("error").empty());
    EXPECT_EQ(CreateLink("]").status, 400);  // the client's text when no path qualified
    EXPECT_EQ(CreateLink("[{ \"name\" : \"%2F..%2F..%2Fetc\" }]").status, 400);
    EXPECT_EQ(CreateLink("[{ \"name\" : \"%2F我收到的文件%2Fa.txt\" }]", "other_link").status, 400);
    // A Weibo link carries the Weibo attributes.
    EXPECT_EQ(CreateLink("[{ \"name\" : \"%2F我收到的文件%2Fa.txt\" }]", "sina_weibo_external_link")
                  .status,
              400);
    const std::string attrs =
        "&attrs={ \"sina_weibo_follow\" : \"true\" , \"sina_weibo_retweet\" : \"false\" , "
        "\"sina_weibo_screen_name\" : \"n\" , \"sina_weibo_thumbnail\" : \"\" , \"sina_weibo_uid\" "
        ": \"1\" }";
    EXPECT_EQ(CreateLink("[{ \"name\" : \"%2F我收到的文件%2Fa.txt\" }]" + attrs,
                         "sina_weibo_external_link")
                  .status,
              200);
    EXPECT_EQ(client
                  .Call("/app/pc/createlink.php",
                        "token=bad&files=[]&form=norvel_external_link&rootfs=%2F")
                  .status,
              400);
}

TEST_F(LinksTest, AnonymousLinkFromUploadPaths) {
    const auto ticket = client.Authorize("PC01");
    ASSERT_TRUE(ticket);
    const std::string path = CUploadDriver(service, *ticket, "x", "anonymous content").Run().path;
    const auto created = client.Call("/app/pc/anonymous_createlink.php",
                                     "attachments={\"0\":{ \"kdwurl\" : \"" + path +
                                         "\" , \"name\" : \"" + service::UrlEncode("报告.txt") +
                                         "\" }}&cname=PC01&form=norvel_external_link");
    ASSERT_EQ(created.status, 200) << created.body;
    const auto reply = ReplyJson(created);
    EXPECT_EQ(reply.Text("title"), "报告.txt");
    EXPECT_EQ(service.Get(Target(reply.Text("url")) + "/0").body, "anonymous content");
    const auto unknown = client.Call("/app/pc/anonymous_createlink.php",
                                     "attachments={\"0\":{ \"kdwurl\" : \"/f/guess\" , \"name\" : "
                                     "\"a\" }}&cname=PC&form=norvel_external_link");
    EXPECT_EQ(unknown.status, 400);
    EXPECT_EQ(client
                  .Call("/app/pc/anonymous_createlink.php",
                        "attachments=&cname=PC&form=norvel_external_link")
                  .status,
              400);
    // Numbering starts at "0"; the attachments "0" and "1" make one link of two files.
    const std::string attachment = "{ \"kdwurl\" : \"" + path + "\" , \"name\" : \"a.txt\" }";
    EXPECT_EQ(
        client
            .Call("/app/pc/anonymous_createlink.php",
                  "attachments={\"1\":" + attachment + "}&cname=PC01&form=norvel_external_link")
            .status,
        400);
    const auto two = client.Call("/app/pc/anonymous_createlink.php",
                                 "attachments={\"0\":" + attachment + ",\"1\":" + attachment +
                                     "}&cname=PC01&form=norvel_external_link");
    EXPECT_EQ(ReplyJson(two).Text("title"), "a.txt 等2个文件");
}

// Bytes on disk below the data folder's content/.
uint64_t StoredBytes(const std::string& dataDir) {
    uint64_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dataDir + "/content"))
        if (entry.is_regular_file())
            total += entry.file_size();
    return total;
}

// A file sent in segments is stored once, as its segments, and is still downloaded,
// proved and found whole; a whole file stored as one content file is served as before,
// and a file one of whose segments is gone is not held.
TEST_F(LinksTest, FileSentInSegmentsIsStoredOnceAndServedWhole) {
    ASSERT_TRUE(service.SetSwitch("block_size", "1000"));
    ASSERT_TRUE(service.SetSwitch("segment_threshold", "10000"));
    ASSERT_TRUE(service.SetSwitch("segment_size", "4000"));
    std::mt19937 engine(11);
    std::string content(10500, '\0');
    for (char& c : content)
        c = static_cast<char>(engine());
    Store("big.bin", content);
    const uint64_t stored = StoredBytes(service.DataDir());
    EXPECT_GE(stored, content.size());
    EXPECT_LT(stored, content.size() + 1000);  // the segments and a short list of them

    const auto created =
        CreateLink("[{ \"name\" : \"" + service::UrlEncode("/我收到的文件/big.bin") + "\" }]");
    ASSERT_EQ(created.status, 200) << created.body;
    const std::string download = Target(ReplyJson(created).Text("url")) + "/0";
    EXPECT_EQ(service.Get(download).body, content);

    // Any proof range (4096 bytes) crosses a segment's end.
    const auto uploadAs = [&](const std::string& user) {
        EXPECT_TRUE(service.AddUser(user, "pw"));
        CTestClient other(service);
        EXPECT_TRUE(other.Register() && other.Login(user, "pw"));
        const auto ticket = other.Authorize();
        return CUploadDriver(service, ticket.value_or(CTestClient::Ticket{}), "x.bin", content)
            .Run();
    };
    EXPECT_EQ(uploadAs("bob").commands, (std::vector<std::string>{"REQTCON", "UPSTAT"}));
    const auto alice = client.Authorize();
    ASSERT_TRUE(alice);
    EXPECT_EQ(CUploadDriver(service, *alice, "again.bin", content).Run().commands,
              std::vector<std::string>{"UPSTAT"});

    // The layout of earlier data folders: the whole file as one content file.
    const std::string whole =
        service.DataDir() + "/content/" + Md5(content).substr(0, 2) + "/" + Md5(content);
    std::filesystem::rename(whole + ".parts", whole + ".kept");
    EXPECT_EQ(service.Get(download).status, 404);
    WriteFile(whole, content);
    EXPECT_EQ(service.Get(download).body, content);
    EXPECT_EQ(uploadAs("carol").commands, (std::vector<std::string>{"REQTCON", "UPSTAT"}));

    // Without one of its segments the file is not held: it is sent again.
    std::filesystem::remove(whole);
    std::filesystem::rename(whole + ".kept", whole + ".parts");
    const std::string last = Md5(content.substr(8000));
    std::filesystem::remove(service.DataDir() + "/content/" + last.substr(0, 2) + "/" + last);
    EXPECT_EQ(service.Get(download).status, 404);
    const auto again = uploadAs("dave");
    EXPECT_TRUE(again.finished);
    EXPECT_EQ(again.commands.front(), "REQTSEG");
    EXPECT_EQ(service.Get(download).body, content);
}

class WeiboTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        ASSERT_TRUE(LoginAlice());
    }
    HttpResponse Weibo(const std::string& action, const std::string& extra = {},
                       const std::string& target = "/app/pc/sina_weibo.php ") {
        return client.Call(target,
                           "token=" + client.token + "&cname=PC01&action=" + action + extra);
    }
};

TEST_F(WeiboTest, BindPostUnbind) {
    const auto unbound = Weibo("account_status");
    EXPECT_EQ(unbound.status, 400);
    EXPECT_EQ(ReplyJson(unbound).Text("errno"), "6");
    EXPECT_EQ(ReplyJson(Weibo("post", "&content=hi&pic=&resource_url=")).Text("errno"), "6");

    const std::string bindUrl = ReplyJson(Weibo("account_bind")).Text("bind_url");
    ASSERT_EQ(bindUrl.rfind(service.BaseUrl() + "/weibo/bind?code=", 0), 0u) << bindUrl;
    const auto page = service.Get(bindUrl.substr(service.BaseUrl().size()));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<button"), std::string::npos);
    const std::string code = bindUrl.substr(bindUrl.find("code=") + 5);
    const auto pressed = service.Post("/weibo/bind", "code=" + code);
    EXPECT_EQ(pressed.status, 200);
    EXPECT_NE(pressed.body.find("window.close()"), std::string::npos);
    EXPECT_EQ(service.Post("/weibo/bind", "code=" + code).status, 404);  // used up

    const auto status = ReplyJson(Weibo("account_status", {}, "/app/pc/sina_weibo.php%20"));
    EXPECT_FALSE(status.Text("account").empty());
    EXPECT_EQ(status.Text("screen_name"), "norvel_alice");

    const auto post =
        ReplyJson(Weibo("post", "&content=分享了文件“a.txt”&pic=/f/abc&resource_url=http://x/s/1"));
    EXPECT_FALSE(post.Text("sina_weibo_msgid").empty());
    const auto posts = service.Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].at("content"), "分享了文件“a.txt”");
    EXPECT_EQ(posts[0].at("pic"), "/f/abc");
    EXPECT_EQ(posts[0].at("resource_url"), "http://x/s/1");
    EXPECT_EQ(posts[0].at("msgid"), post.Text("sina_weibo_msgid"));
    EXPECT_EQ(Weibo("post", "&content=&pic=&resource_url=").status, 400);

    EXPECT_EQ(ReplyJson(Weibo("account_unbind", {}, "app/pc/sina_weibo.php")).Text("action"),
              "true");
    EXPECT_EQ(ReplyJson(Weibo("account_unbind")).Text("action"), "false");
    EXPECT_EQ(Weibo("account_status").status, 400);
    EXPECT_EQ(Weibo("dance").status, 400);
}

}  // namespace
}  // namespace norvel::test
