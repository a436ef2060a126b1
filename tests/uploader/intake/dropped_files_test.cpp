#include <string>
#include <vector>

#include "intake/dropped_files.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "intake_test_support.h"

using namespace intake;
using intake_test::IntakeTest;
using intake_test::Utf8;
using ::testing::ElementsAre;

namespace {

class DroppedFilesTest : public IntakeTest {
protected:
    // "dir|name" of each entry, the directory relative to the test folder.
    std::vector<std::string> Entries(const std::vector<std::u16string>& items) {
        std::vector<std::string> lines;
        const std::string root = m_Dir.Path();
        for (const auto& entry : DroppedPathsToBatch(items)) {
            EXPECT_EQ(entry.nKind, kUploadRequest);
            std::string dir = Utf8(EntryDir(entry));
            if (dir.rfind(root, 0) == 0)
                dir = "<dir>" + dir.substr(root.size());
            lines.push_back(dir + "|" + Utf8(EntryName(entry)));
        }
        return lines;
    }
};

}  // namespace

TEST_F(DroppedFilesTest, AFileGivesItsFolderAndNameAFolderKeepsItsNameInTheEntries) {
    MakeFile("A/Photos/2011/a.jpg");
    MakeFile("A/Photos/b.jpg");
    MakeFile("A/single.txt");
    EXPECT_THAT(
        Entries({PathOf("A/Photos"), PathOf("A/single.txt")}),
        ElementsAre("<dir>/A|Photos/2011/a.jpg", "<dir>/A|Photos/b.jpg", "<dir>/A|single.txt"));
    // A trailing slash on a dropped folder changes nothing.
    EXPECT_THAT(Entries({PathOf("A/Photos/2011/")}), ElementsAre("<dir>/A/Photos|2011/a.jpg"));
}

TEST_F(DroppedFilesTest, TheSplitDoesNotDependOnWhereTheFolderNameOccursInThePath) {
    // The folder "a" also occurs earlier in the path ("data", "a/a"): the entry still
    // names the dropped folder's own files.
    MakeFile("data/a/a/b.txt");
    const auto entries = DroppedPathsToBatch({PathOf("data/a")});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Utf8(EntryDir(entries.front())), m_Dir.File("data"));
    EXPECT_EQ(Utf8(EntryName(entries.front())), "a/a/b.txt");
    EXPECT_EQ(EntryPath(entries.front()), PathOf("data/a/a/b.txt"));
}

TEST_F(DroppedFilesTest, RefusedFilesAndRelativePathsAreLeftOut) {
    MakeFile("in/keep.txt");
    MakeFile("in/skip.tmp");
    MakeFile("in/.hidden/x.txt");
    MakeFile("lone.tmp");
    EXPECT_THAT(Entries({PathOf("in"), PathOf("lone.tmp"), u"relative/x.txt", u"/"}),
                ElementsAre("<dir>|in/keep.txt"));
}

TEST_F(DroppedFilesTest, FilesOfTheSyncFolderAreLeftToTheSyncClient) {
    MakeFile("Sync/a.txt");
    MakeFile("Sync2/b.txt");
    MakeFile("outside/c.txt");
    const std::vector<std::u16string> items = {PathOf("Sync"), PathOf("Sync/a.txt"),
                                               PathOf("Sync2"), PathOf("outside")};
    // Without a sync folder nothing is left out.
    EXPECT_EQ(Entries(items).size(), 4u);
    SetSyncFolder(PathOf("Sync"));
    EXPECT_THAT(Entries(items), ElementsAre("<dir>|Sync2/b.txt", "<dir>|outside/c.txt"));
}

TEST_F(DroppedFilesTest, PathsTooLongForAnEntryAreRefusedNotCut) {
    const std::string longFolder(200, 'f');
    MakeFile("top/" + longFolder + "/" + std::string(100, 'n') + ".txt");
    MakeFile("top/short.txt");
    EXPECT_THAT(Entries({PathOf("top")}), ElementsAre("<dir>|top/short.txt"));

    // 259 units fit exactly: "top2/" and 254 more.
    MakeFile("top2/" + std::string(254, 'e'));
    const auto entries = Entries({PathOf("top2")});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size() - entries[0].find('|') - 1, 259u);
}

TEST_F(DroppedFilesTest, TheDropHandlerNotifiesTheMiniWindowAndQueuesTheFiles) {
    intake::Session().SetLoggedIn(true);
    StartQueue(0);  // no workers: the tasks stay waiting
    EnsureMainWindow();
    MakeFile("d/x.txt");
    MakeFile("d/y.txt");
    HandleDroppedFiles({PathOf("d")});
    EXPECT_THAT(m_Ui.CallsStartingWith("added"), ElementsAre("added 0 d/y.txt", "added 2 d/x.txt"));
    EXPECT_EQ(TaskIds(), (std::vector<int32_t>{10001, 10002}));

    // Nothing accepted: the counter is switched on with no name, nothing else happens.
    m_Ui.ClearCalls();
    HandleDroppedFiles({PathOf("d/missing.tmp")});
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("added 0 "));
}
