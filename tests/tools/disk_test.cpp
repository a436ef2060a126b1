#include "tools/disk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_env.h"

namespace tools {
namespace {

std::u16string Wide(const std::string& path) {
    return std::u16string(path.begin(), path.end());
}

TEST(GetFileSize64, SizeOfRegularFilesOnly) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("five"), "12345");
    norvel::test::WriteFile(dir.File("empty"), "");
    EXPECT_EQ(GetFileSize64(Wide(dir.File("five"))), 5);
    EXPECT_EQ(GetFileSize64(Wide(dir.File("empty"))), 0);
    EXPECT_EQ(GetFileSize64(Wide(dir.File("absent"))), 0);
    EXPECT_EQ(GetFileSize64(Wide(dir.Path())), 0);
    EXPECT_EQ(GetFileSize64(u""), 0);
}

TEST(GetFileSize64, FollowsLinksAndTakesNamesLiterally) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("a*b\\c 中"), std::string(70000, 'x'));
    std::filesystem::create_symlink(dir.File("a*b\\c 中"), dir.File("link"));
    const std::u16string wideDir = Wide(dir.Path());
    EXPECT_EQ(GetFileSize64(wideDir + u"/a*b\\c 中"), 70000);
    EXPECT_EQ(GetFileSize64(wideDir + u"/link"), 70000);
    EXPECT_EQ(GetFileSize64(wideDir + u"/a*"), 0);  // no pattern matching
}

TEST(GetFreeDiskMB, FileSystemOfThePathOrItsNearestFolder) {
    norvel::test::TempDir dir;
    const auto expected = std::filesystem::space(dir.Path()).available / (1024 * 1024);
    const uint64_t here = GetFreeDiskMB(Wide(dir.Path()));
    const uint64_t below = GetFreeDiskMB(Wide(dir.File("not/yet/there.bin")));
    // Other programs write meanwhile: allow a little drift.
    EXPECT_NEAR(static_cast<double>(here), static_cast<double>(expected), 64.0);
    EXPECT_NEAR(static_cast<double>(below), static_cast<double>(expected), 64.0);
    EXPECT_EQ(GetFreeDiskMB(u""), 0u);
}

TEST(GetFreeDiskMB, PathsBelowAFileRelativePathsAndPathsWithNul) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("file"), "x");
    const auto expected = std::filesystem::space(dir.Path()).available / (1024 * 1024);
    EXPECT_NEAR(static_cast<double>(GetFreeDiskMB(Wide(dir.File("file/below//")))),
                static_cast<double>(expected), 64.0);
    const auto here = std::filesystem::space(".").available / (1024 * 1024);
    EXPECT_NEAR(static_cast<double>(GetFreeDiskMB(u"norvel-not-here/at-all")),
                static_cast<double>(here), 64.0);
    // Cut short at the NUL, the path would name another place.
    EXPECT_EQ(GetFreeDiskMB(Wide(dir.Path()) + std::u16string(1, u'\0') + u"x"), 0u);
}

}  // namespace
}  // namespace tools
