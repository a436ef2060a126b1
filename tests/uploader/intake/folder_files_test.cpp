#include <filesystem>
#include <string>
#include <vector>

#include "intake/folder_files.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "platform/files.h"

using namespace intake;
using intake_test::IntakeTest;
namespace fs = std::filesystem;

namespace {

class FolderFilesTest : public IntakeTest {
protected:
    std::vector<std::u16string> Collect(const std::string& folder) {
        std::vector<std::u16string> found;
        CollectFolderFiles(PathOf(folder), found);
        return found;
    }
};

}  // namespace

TEST_F(FolderFilesTest, AcceptedFilesDepthFirstInNameOrder) {
    MakeFile("root/b.txt");
    MakeFile("root/a/2.txt");
    MakeFile("root/a/1.txt");
    MakeFile("root/a/sub/x.jpg");
    MakeFile("root/c.tmp");
    MakeFile("root/.hidden/secret.txt");
    MakeFile("root/a/.git/config");
    MakeFolder("root/empty");

    std::vector<std::u16string> found = {u"kept"};  // appended to, not replaced
    CollectFolderFiles(PathOf("root"), found);
    EXPECT_EQ(found,
              (std::vector<std::u16string>{u"kept", PathOf("root/a/1.txt"), PathOf("root/a/2.txt"),
                                           PathOf("root/a/sub/x.jpg"), PathOf("root/b.txt")}));
}

TEST_F(FolderFilesTest, LinksToFoldersAreNotFollowedSoLoopsEnd) {
    MakeFile("root/a.txt");
    MakeFile("other/o.txt");
    fs::create_directory_symlink(m_Dir.File("root"), m_Dir.File("root/loop"));
    fs::create_directory_symlink(m_Dir.File("other"), m_Dir.File("root/elsewhere"));
    fs::create_symlink(m_Dir.File("other/o.txt"), m_Dir.File("root/link.txt"));
    fs::create_symlink(m_Dir.File("gone"), m_Dir.File("root/dangling"));

    EXPECT_EQ(Collect("root"),
              (std::vector<std::u16string>{PathOf("root/a.txt"), PathOf("root/link.txt")}));
}

TEST_F(FolderFilesTest, ADroppedLinkToAFolderIsWalkedButLinksInsideItAreNot) {
    MakeFile("real/a.txt");
    fs::create_directory_symlink(m_Dir.File("real"), m_Dir.File("alias"));
    fs::create_directory_symlink(m_Dir.File("real"), m_Dir.File("real/self"));
    EXPECT_EQ(Collect("alias"), (std::vector<std::u16string>{PathOf("alias/a.txt")}));
}

TEST_F(FolderFilesTest, DeepTreesDoNotExhaustTheStack) {
    std::string path = "deep";
    for (int i = 0; i < 600; ++i)
        path += "/d";
    MakeFile(path + "/bottom.txt");
    EXPECT_EQ(Collect("deep"), (std::vector<std::u16string>{PathOf(path + "/bottom.txt")}));
}

TEST_F(FolderFilesTest, NamesThatAreNotUtf8AndFilesThatAreNotRegularAreSkipped) {
    MakeFile("root/good.txt");
    norvel::test::WriteFile(m_Dir.File("root/bad\xfe.txt"), "x");
    EXPECT_EQ(Collect("root"), (std::vector<std::u16string>{PathOf("root/good.txt")}));
}

// The service stores no name with a control character at any level of a remote path: a
// sub-folder named so is not walked, and a request naming one is refused before a task.
TEST_F(FolderFilesTest, SubFoldersWhoseNamesHoldControlCharactersAreNotUploaded) {
    MakeFile("root/good.txt");
    MakeFile("root/line\nbreak/inside.txt");
    MakeFile("root/ok/tab\there/inside.txt");
    MakeFile("root/ok/fine.txt");
    EXPECT_EQ(Collect("root"),
              (std::vector<std::u16string>{PathOf("root/good.txt"), PathOf("root/ok/fine.txt")}));
    EXPECT_EQ(AddUploadRequest(PathOf("root"), u"line\nbreak/inside.txt"), 0);
    EXPECT_TRUE(TaskIds().empty());
}

TEST_F(FolderFilesTest, UnreadableFoldersAndMissingFoldersGiveNothing) {
    MakeFile("root/a.txt");
    MakeFile("root/locked/b.txt");
    EXPECT_TRUE(Collect("missing").empty());
    fs::permissions(m_Dir.File("root/locked"), fs::perms::none);
    const bool readable = platform::ListFolder(PathOf("root/locked")).has_value();
    const auto found = Collect("root");
    fs::permissions(m_Dir.File("root/locked"), fs::perms::owner_all);
    if (readable)
        GTEST_SKIP() << "running with privileges that read any folder";
    EXPECT_EQ(found, (std::vector<std::u16string>{PathOf("root/a.txt")}));
}
