// Remote names, the registration bodies and the description of local files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "intake/upload_context.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "tools/date_text.h"
#include "upload/credentials.h"
#include "upload/remote.h"
#include "upload/upload_run.h"

namespace upload {
namespace {

TEST(RemoteNames, ThePathBelowTheTaskFolderEncoded) {
    EXPECT_EQ(RemoteEntryName(u"/d/a", u"/d"), "%2Fa");
    EXPECT_EQ(RemoteEntryName(u"/d/a/b", u"/d"), "%2Fa%2Fb");
    EXPECT_EQ(RemoteEntryName(u"/d/a/b/c.txt", u"/d"), "%2Fa%2Fb%2Fc%2Etxt");
    EXPECT_EQ(RemoteEntryName(u"/d/上传 1.txt", u"/d"), "%2F%E4%B8%8A%E4%BC%A0+1%2Etxt");
    // Only whole components of the folder count; a path elsewhere is used whole.
    EXPECT_EQ(RemoteEntryName(u"/dx/a", u"/d"), "%2Fdx%2Fa");
    EXPECT_EQ(RemoteEntryName(u"/a", u""), "%2Fa");  // a file in "/"
}

class RegistrationBody : public ::testing::Test {
protected:
    void SetUp() override {
        settings::SetToken(u"tok");
        task.m_Dir = u"/d";
        run.m_RemotePath = u"/f/0a1b";
        entry.m_Path = u"/d/a/b.txt";
        entry.m_CreateTime = 1330837567;
        entry.m_ModifyTime = 1330837568;
        entry.m_Size = 42;
        entry.m_Md5 = "0123456789abcdef0123456789abcdef";
    }
    void TearDown() override { settings::ResetCaches(); }

    std::string Start() const {
        return "token=tok&changer=" + platform::WideToUtf8(settings::GetChanger()) +
               "&rootfs=" + std::string(kUploadRootFolder);
    }

    intake::UploadContext task;
    UploadRun run{task};
    RemoteFileEntry entry;
};

TEST_F(RegistrationBody, AFileWithItsContentTimesAndAnEmptyBaseVersion) {
    const std::string created = tools::FormatDateTime(1330837567);
    const std::string modified = tools::FormatDateTime(1330837568);
    EXPECT_EQ(upload::RegistrationBody(entry, run),
              Start() + "&files=[{ \"accessTime\" : \"" + modified +
                  "\" , \"basever\" : {  } , \"createTime\" : \"" + created +
                  "\" , \"md5\" : \"0123456789abcdef0123456789abcdef\" , \"modifyTime\" : \"" +
                  modified +
                  "\" , \"name\" : \"%2Fa%2Fb%2Etxt\" , \"size\" : \"42\" , \"url\" : "
                  "\"\\/f\\/0a1b\" }]");

    run.m_BaseEntry.m_HasBase = true;
    run.m_BaseEntry.m_ModifyTime = 1330837500;
    run.m_BaseEntry.m_Md5 = "ffffffffffffffffffffffffffffffff";
    run.m_BaseEntry.m_Size = 7;
    run.m_HasStamp = true;
    run.m_Stamp = "123";
    run.m_Sig = "sig1";
    const std::string body = upload::RegistrationBody(entry, run);
    EXPECT_NE(
        body.find(
            "\"basever\" : { \"md5\" : \"ffffffffffffffffffffffffffffffff\" , \"modifyTime\" : \"" +
            tools::FormatDateTime(1330837500) + "\" , \"size\" : \"7\" }"),
        std::string::npos);
    EXPECT_NE(body.find("\"sig\" : \"sig1\""), std::string::npos);
    EXPECT_NE(body.find("\"ts\" : \"123\""), std::string::npos);
}

TEST_F(RegistrationBody, AFolderWithItsNameAndTimesOnly) {
    entry.m_Path = u"/d/a";
    entry.m_IsFolder = true;
    const std::string modified = tools::FormatDateTime(1330837568);
    EXPECT_EQ(upload::RegistrationBody(entry, run),
              Start() + "&dirs=[{ \"accessTime\" : \"" + modified + "\" , \"createTime\" : \"" +
                  tools::FormatDateTime(1330837567) + "\" , \"modifyTime\" : \"" + modified +
                  "\" , \"name\" : \"%2Fa\" }]");
}

TEST(RemoteTimes, FileTimesAreRegisteredAsTheirUtcTimeOfDay) {
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    setenv("TZ", "CST-8", 1);  // eight hours east of UTC
    tzset();
    const int64_t noonUtc = 1330862400;  // 2012-03-04 12:00:00 UTC
    EXPECT_EQ(RegisteredTime(noonUtc), noonUtc - 8 * 3600);
    EXPECT_EQ(tools::FormatDateTime(RegisteredTime(noonUtc)), "2012-3-4 12:0:0");
    if (saved)
        setenv("TZ", before.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(RemoteTimes, DescribingFilesAndFolders) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("f.txt"), "12345");
    std::filesystem::create_directory(dir.File("sub"));
    RemoteFileEntry entry;
    entry.m_Md5 = "stale";
    DescribeLocal(entry, platform::Utf8ToWide(dir.File("f.txt")));
    EXPECT_FALSE(entry.m_IsFolder);
    EXPECT_EQ(entry.m_Size, 5u);
    EXPECT_EQ(entry.m_Md5, "");  // digested by the driver from the file it opened
    EXPECT_EQ(entry.m_Path, platform::Utf8ToWide(dir.File("f.txt")));
    EXPECT_NE(entry.m_ModifyTime, 0);
    DescribeLocal(entry, platform::Utf8ToWide(dir.File("sub")));
    EXPECT_TRUE(entry.m_IsFolder);
    EXPECT_EQ(entry.m_Size, 0u);
    DescribeLocal(entry, platform::Utf8ToWide(dir.File("none")));
    EXPECT_FALSE(entry.m_IsFolder);
    EXPECT_EQ(entry.m_ModifyTime, 0);
}

TEST(Authorization, BodiesAndUploadHosts) {
    settings::SetToken(u"tok");
    settings::SetUserId("42");
    EXPECT_EQ(AuthorizationBody(intake::kAccountUpload), "token=tok&uid=42");
    EXPECT_EQ(AuthorizationBody(intake::kAnonymousUpload),
              "cname=" + platform::WideToAnsi(settings::GetChanger()));
    settings::ResetCaches();
    EXPECT_EQ(WithoutHttpScheme(u"http://up.example.net:8080"), u"up.example.net:8080");
    EXPECT_EQ(WithoutHttpScheme(u"HTTP://up.example.net"), u"HTTP://up.example.net");
    EXPECT_EQ(WithoutHttpScheme(u"up.example.net/http://x"), u"up.example.net/http://x");
    EXPECT_EQ(WithoutHttpScheme(u"http://"), u"");
}

}  // namespace
}  // namespace upload
