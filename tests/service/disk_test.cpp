// Remote folders and file registration: disk.mkdir.php and disk.mkfile.php.

#include "service/form.h"
#include "service_client.h"

namespace norvel::test {
namespace {

const std::string kRootfs = "/我的网盘/我收到的文件";

std::string Encoded(const std::string& name) {
    return service::UrlEncode(name);
}

class DiskTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        ASSERT_TRUE(LoginAlice());
    }

    HttpResponse Mkdir(const std::string& name) {
        return client.Call("/app/pc/disk.mkdir.php",
                           "token=" + client.token + "&changer=PC01&rootfs=" + kRootfs +
                               "&dirs=[{ \"createTime\" : \"2012-3-4 5:6:7\" , \"name\" : \"" +
                               Encoded(name) + "\" }]");
    }

    // Uploads content and returns its kdw_path.
    std::string Upload(const std::string& content) {
        const auto ticket = client.Authorize();
        EXPECT_TRUE(ticket);
        return CUploadDriver(service, *ticket, "f", content).Run().path;
    }

    HttpResponse Mkfile(const std::string& name, const std::string& url,
                        const std::string& content) {
        return client.Call(
            "/app/pc/disk.mkfile.php",
            "token=" + client.token + "&changer=PC01&rootfs=" + kRootfs +
                "&files=[{ \"accessTime\" : \"2012-3-4 5:6:7\" , \"basever\" : {  } , "
                "\"createTime\" : \"2012-3-4 5:6:7\" , \"md5\" : \"" +
                Md5(content) + "\" , \"modifyTime\" : \"2012-3-4 5:6:7\" , \"name\" : \"" +
                Encoded(name) + "\" , \"size\" : \"" + std::to_string(content.size()) +
                "\" , \"url\" : \"" + url + "\" }]");
    }

    std::string FirstErrno(const HttpResponse& response) {
        const auto list = ReplyJson(response).Find("failList");
        return list && list->Size() > 0 ? list->At(0).Text("errno") : std::string();
    }
};

TEST_F(DiskTest, FoldersAreMadeBelowRootfsAndMakingOneTwiceSucceeds) {
    const auto made = Mkdir("/a");
    EXPECT_EQ(ReplyJson(made).Text("action"), "true");
    EXPECT_EQ(ReplyJson(Mkdir("/a/b")).Text("action"), "true");
    EXPECT_EQ(ReplyJson(Mkdir("/a")).Text("action"), "true");  // a second file of the tree
    const auto missing = Mkdir("/x/y");
    EXPECT_EQ(ReplyJson(missing).Text("action"), "false");
    EXPECT_EQ(FirstErrno(missing), "19");
    EXPECT_EQ(ReplyJson(missing).Find("failList")->At(0).Text("name"), Encoded("/x/y"));
    const auto tree = service.Tree("alice");
    ASSERT_GE(tree.size(), 4u);
    EXPECT_EQ(tree[2].at("path"), kRootfs + "/a");
    EXPECT_EQ(tree[3].at("path"), kRootfs + "/a/b");
}

TEST_F(DiskTest, FilesAreRegisteredWithTheirUploadPath) {
    const std::string content = "hello, disk";
    const std::string url = Upload(content);
    ASSERT_FALSE(url.empty());
    EXPECT_EQ(ReplyJson(Mkfile("/hello.txt", url, content)).Text("action"), "true");
    EXPECT_EQ(ReplyJson(Mkfile("/hello.txt", url, content)).Text("action"),
              "true");  // the same again
    const auto info = ReplyJson(
        client.Call("/app/pc/user.info.php", "token=" + client.token + "&username=alice&cname=PC"));
    EXPECT_EQ(info.Text("usedspacecapacity"), std::to_string(content.size()));

    const std::string other = "other content";
    const auto exists = Mkfile("/hello.txt", Upload(other), other);
    EXPECT_EQ(FirstErrno(exists), "25");
    const service::CJsonValue item = ReplyJson(exists).Find("failList")->At(0);
    EXPECT_EQ(item.Text("md5"), Md5(content));
    EXPECT_EQ(item.Text("size"), std::to_string(content.size()));
    EXPECT_EQ(FirstErrno(Mkdir("/hello.txt")), "25");  // a folder where a file is
    EXPECT_EQ(FirstErrno(Mkfile("/nowhere/a.txt", url, content)), "19");
}

TEST_F(DiskTest, RegistrationNeedsAnUploadPathOfThisUser) {
    const std::string content = "mine";
    const std::string url = Upload(content);
    EXPECT_EQ(FirstErrno(Mkfile("/a.txt", "/f/0123456789abcdef0123456789abcdef", content)), "5");
    EXPECT_EQ(FirstErrno(Mkfile("/a.txt", url, "wrong size or md5")), "5");
    ASSERT_TRUE(service.AddUser("bob", "pw"));
    CTestClient bob(service);
    ASSERT_TRUE(bob.Register());
    ASSERT_TRUE(bob.Login("bob", "pw"));
    const auto stolen =
        bob.Call("/app/pc/disk.mkfile.php", "token=" + bob.token + "&changer=PC&rootfs=" + kRootfs +
                                                "&files=[{ \"md5\" : \"" + Md5(content) +
                                                "\" , \"name\" : \"%2Fa\" , \"size\" : \"4\" , "
                                                "\"url\" : \"" +
                                                url + "\" }]");
    EXPECT_EQ(FirstErrno(stolen), "5");
}

TEST_F(DiskTest, DiskFullRefusesWithErrno4) {
    ASSERT_TRUE(service.AddUser("small", "pw", 10));
    ASSERT_TRUE(client.Login("small", "pw"));
    const std::string content = "eleven byte";
    const auto full = Mkfile("/big.txt", Upload(content), content);
    EXPECT_EQ(full.status, 400);
    EXPECT_EQ(ReplyJson(full).Text("errno"), "4");
    const std::string fits = "ten bytes!";
    EXPECT_EQ(ReplyJson(Mkfile("/ok.txt", Upload(fits), fits)).Text("action"), "true");
}

TEST_F(DiskTest, NamesCannotClimbOutOfTheTree) {
    const std::vector<std::string> names = {
        "/../x", "/a/../../../etc", "/./a", "relative", "//double", std::string("/nul\0x", 6)};
    for (const std::string& name : names)
        EXPECT_EQ(FirstErrno(Mkdir(name)), "1") << name;
    const auto badRoot = client.Call(
        "/app/pc/disk.mkdir.php",
        "token=" + client.token + "&changer=PC&rootfs=/../..&dirs=[{ \"name\" : \"%2Fa\" }]");
    EXPECT_EQ(badRoot.status, 400);
    EXPECT_EQ(
        client.Call("/app/pc/disk.mkdir.php", "token=" + client.token + "&rootfs=/&dirs={broken")
            .status,
        400);
    EXPECT_EQ(client.Call("/app/pc/disk.mkdir.php", "token=expired&rootfs=/&dirs=[]").status, 400);
}

}  // namespace
}  // namespace norvel::test
