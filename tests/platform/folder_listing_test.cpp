#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_env.h"

using namespace platform;
namespace fs = std::filesystem;
using Kind = FolderEntry::Kind;

namespace {

std::u16string Wide(const std::string& path) {
    return Utf8ToWide(path);
}

}  // namespace

TEST(FolderListing, EntriesAreSortedWithTheirKindsAndLinksMarked) {
    norvel::test::TempDir dir;
    fs::create_directory(dir.File("b-folder"));
    norvel::test::WriteFile(dir.File("c.txt"), "x");
    norvel::test::WriteFile(dir.File("a文件.txt"), "x");
    fs::create_directory_symlink(dir.File("b-folder"), dir.File("d-link-to-folder"));
    fs::create_symlink(dir.File("c.txt"), dir.File("e-link-to-file"));
    fs::create_symlink(dir.File("missing"), dir.File("f-dangling"));

    const auto listing = ListFolder(Wide(dir.Path()));
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->entries.size(), 6u);
    const auto& e = listing->entries;
    EXPECT_EQ(e[0].name, u"a文件.txt");
    EXPECT_EQ(e[0].kind, Kind::File);
    EXPECT_EQ(e[1].name, u"b-folder");
    EXPECT_EQ(e[1].kind, Kind::Folder);
    EXPECT_FALSE(e[1].link);
    EXPECT_EQ(e[3].name, u"d-link-to-folder");
    EXPECT_EQ(e[3].kind, Kind::Folder);
    EXPECT_TRUE(e[3].link);
    EXPECT_EQ(e[4].kind, Kind::File);
    EXPECT_TRUE(e[4].link);
    EXPECT_EQ(e[5].kind, Kind::Other);
    EXPECT_TRUE(e[5].link);
    for (const auto& entry : e)
        EXPECT_TRUE(entry.exactName);

    // The folder's identity does not depend on the path it was reached by.
    const auto viaLink = ListFolder(Wide(dir.File("d-link-to-folder")));
    const auto direct = ListFolder(Wide(dir.File("b-folder")));
    ASSERT_TRUE(viaLink && direct);
    EXPECT_EQ(viaLink->inode, direct->inode);
    EXPECT_EQ(viaLink->device, direct->device);
    EXPECT_NE(listing->inode, direct->inode);
}

TEST(FolderListing, ANameThatIsNotUtf8IsMarkedInexact) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("bad\xff"
                                     "name"),
                            "x");
    const auto listing = ListFolder(Wide(dir.Path()));
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->entries.size(), 1u);
    EXPECT_FALSE(listing->entries[0].exactName);
}

TEST(FolderListing, FilesMissingFoldersAndUnreadableFoldersGiveNothing) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("file"), "x");
    EXPECT_FALSE(ListFolder(Wide(dir.File("file"))));
    EXPECT_FALSE(ListFolder(Wide(dir.File("missing"))));
    EXPECT_FALSE(ListFolder(u""));
    EXPECT_FALSE(ListFolder(std::u16string(u"a\0b", 3)));

    fs::create_directory(dir.File("locked"));
    fs::permissions(dir.File("locked"), fs::perms::none);
    const bool readable = ListFolder(Wide(dir.File("locked"))).has_value();
    fs::permissions(dir.File("locked"), fs::perms::owner_all);
    if (readable)
        GTEST_SKIP() << "running with privileges that read any folder";
}

TEST(WholeFile, WriteReplacesReadReturnsRenameAndRemoveWork) {
    norvel::test::TempDir dir;
    const std::u16string path = Wide(dir.File("data.bin"));
    const std::string bytes("a\0b\xff", 4);
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_EQ(ReadWholeFile(path), bytes);
    EXPECT_EQ(fs::status(dir.File("data.bin")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteWholeFile(path, ""));
    EXPECT_EQ(ReadWholeFile(path), "");

    ASSERT_TRUE(WriteWholeFile(path, "12345"));
    EXPECT_FALSE(ReadWholeFile(path, 4));
    EXPECT_EQ(ReadWholeFile(path, 5), "12345");
    EXPECT_FALSE(ReadWholeFile(Wide(dir.Path())));  // a folder is no file

    const std::u16string moved = Wide(dir.File("moved.bin"));
    ASSERT_TRUE(RenameFile(path, moved));
    EXPECT_FALSE(ReadWholeFile(path));
    EXPECT_EQ(ReadWholeFile(moved), "12345");
    EXPECT_TRUE(RemoveFile(moved));
    EXPECT_FALSE(RemoveFile(moved));
    EXPECT_FALSE(RemoveFile(Wide(dir.Path())));
}
