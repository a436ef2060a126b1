#include "platform/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system.h"
#include "platform/text.h"
#include "support/test_env.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::u16string Wide(const std::string& path) {
    return Utf8ToWide(path);
}

}  // namespace

TEST(Files, AttributesOfFoldersHiddenAndReadOnlyFiles) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File(".hidden"), "x");
    norvel::test::WriteFile(dir.File("上传.txt"), "x");
    fs::permissions(dir.File("上传.txt"), fs::perms::owner_read | fs::perms::group_read);

    const auto folder = GetAttributes(Wide(dir.Path() + "/"));
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->folder);
    EXPECT_FALSE(folder->hidden);
    EXPECT_FALSE(folder->readOnly);

    const auto hidden = GetAttributes(Wide(dir.File(".hidden")));
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->folder);
    EXPECT_TRUE(hidden->hidden);
    EXPECT_FALSE(hidden->readOnly);

    const auto readOnly = GetAttributes(Wide(dir.File("上传.txt")));
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly->hidden);
    EXPECT_TRUE(readOnly->readOnly);

    EXPECT_FALSE(GetAttributes(Wide(dir.Path() + "/.")).value().hidden);
    EXPECT_FALSE(GetAttributes(Wide(dir.File("missing"))));
}

TEST(Files, FoldersAndLinksToFoldersAreFolders) {
    norvel::test::TempDir dir;
    fs::create_directory(dir.File("sub"));
    norvel::test::WriteFile(dir.File("file"), "x");
    fs::create_directory_symlink(dir.File("sub"), dir.File("link"));
    EXPECT_TRUE(IsFolder(Wide(dir.File("sub"))));
    EXPECT_TRUE(IsFolder(Wide(dir.File("link"))));
    EXPECT_FALSE(IsFolder(Wide(dir.File("file"))));
    EXPECT_FALSE(IsFolder(Wide(dir.File("missing"))));
    EXPECT_FALSE(IsFolder(Wide(dir.File("sub")) + u'\0'));
}

TEST(Files, PathsWithANulOrNothingNameNothing) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("a"), "12345");
    // "<dir>/a\0b" must not be taken for "<dir>/a".
    const std::u16string withNul = Wide(dir.File("a")) + u'\0' + u"b";
    EXPECT_FALSE(GetAttributes(withNul));
    EXPECT_FALSE(FileSize(withNul));
    EXPECT_FALSE(CreationTime(withNul));
    EXPECT_EQ(FreeDiskBytes(withNul), 0u);
    EXPECT_FALSE(FileSize(u""));
}

TEST(Files, SizeOfRegularFilesOnly) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("five"), "12345");
    norvel::test::WriteFile(dir.File("empty"), "");
    EXPECT_EQ(FileSize(Wide(dir.File("five"))), 5u);
    EXPECT_EQ(FileSize(Wide(dir.File("empty"))), 0u);
    EXPECT_FALSE(FileSize(Wide(dir.Path())));
    EXPECT_FALSE(FileSize(Wide(dir.File("missing"))));
}

TEST(Files, DiskSpaceOfTheFileSystem) {
    norvel::test::TempDir dir;
    const uint64_t total = TotalDiskBytes(Wide(dir.Path()));
    const uint64_t free = FreeDiskBytes(Wide(dir.Path()));
    const auto expected = fs::space(dir.Path());
    EXPECT_EQ(total, expected.capacity);
    // Other programs write meanwhile: allow some drift.
    EXPECT_NEAR(static_cast<double>(free), static_cast<double>(expected.available), 64e6);
    EXPECT_LE(free, total);
    EXPECT_EQ(FreeDiskBytes(Wide(dir.File("missing/deeper"))), 0u);
}

TEST(Files, CreationTimeOfANewFileIsNow) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("new"), "x");
    const auto created = CreationTime(Wide(dir.File("new")));
    ASSERT_TRUE(created);
    EXPECT_NEAR(static_cast<double>(*created), static_cast<double>(UnixTimeNow()), 5.0);
    EXPECT_FALSE(CreationTime(Wide(dir.File("missing"))));
}

TEST(Files, NativePathIsUtf8) {
    EXPECT_EQ(NativePath(u"/tmp/上传"), "/tmp/\xE4\xB8\x8A\xE4\xBC\xA0");
}
