#include "platform/append_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/text.h"
#include "support/test_env.h"

namespace fs = std::filesystem;
using platform::AppendFile;

namespace {

fs::perms ModeOf(const std::string& path) {
    return fs::symlink_status(path).permissions() & fs::perms::mask;
}

std::u16string Wide(const std::string& path) {
    return platform::Utf8ToWide(path);
}

}  // namespace

TEST(AppendFileTest, CreatesAPrivateFileAndAppendsToIt) {
    norvel::test::TempDir dir;
    const std::string path = dir.File("a.log");
    {
        AppendFile file;
        ASSERT_EQ(file.Open(Wide(path)), 0);
        EXPECT_TRUE(file.Append("one\r\n"));
        EXPECT_EQ(file.Size(), 5u);
    }
    EXPECT_EQ(ModeOf(path), fs::perms::owner_read | fs::perms::owner_write);
    AppendFile again;
    ASSERT_EQ(again.Open(Wide(path)), 0);
    EXPECT_EQ(again.Size(), 5u);
    EXPECT_TRUE(again.Append("two\r\n"));
    again.Close();
    EXPECT_FALSE(again.IsOpen());
    EXPECT_FALSE(again.Append("lost"));
    EXPECT_EQ(norvel::test::ReadFile(path), "one\r\ntwo\r\n");
}

TEST(AppendFileTest, ReportsTheErrorNumberOfAFailedOpen) {
    norvel::test::TempDir dir;
    AppendFile file;
    EXPECT_EQ(file.Open(Wide(dir.File("missing/a.log"))), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Open(u""), EINVAL);
    EXPECT_EQ(file.Open(Wide(dir.File("a")) + u'\0' + u"b"), EINVAL);
    // A symbolic link planted in place of the file is not followed.
    fs::create_symlink(dir.File("target"), dir.File("link.log"));
    EXPECT_NE(file.Open(Wide(dir.File("link.log"))), 0);
    EXPECT_FALSE(fs::exists(dir.File("target")));
}

TEST(CreatePrivateFolderTest, CreatesOneFolderWithMode0700) {
    norvel::test::TempDir dir;
    const std::string path = dir.File("Log");
    ASSERT_TRUE(platform::CreatePrivateFolder(Wide(path)));
    EXPECT_EQ(ModeOf(path), fs::perms::owner_all);
    EXPECT_TRUE(platform::CreatePrivateFolder(Wide(path)));  // exists already
    EXPECT_FALSE(platform::CreatePrivateFolder(Wide(dir.File("no/such/Log"))));
    norvel::test::WriteFile(dir.File("file"), "x");
    EXPECT_FALSE(platform::CreatePrivateFolder(Wide(dir.File("file"))));
}
