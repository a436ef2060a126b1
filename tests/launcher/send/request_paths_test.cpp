#include "send/request_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "support/test_env.h"

using namespace send;
using norvel::test::TempDir;
using norvel::test::WriteFile;

namespace {

std::vector<std::pair<std::string, std::string>> DirsAndNames(const intake::RequestBatch& batch) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& entry : batch)
        out.emplace_back(platform::WideToUtf8(intake::EntryDir(entry)),
                         platform::WideToUtf8(intake::EntryName(entry)));
    return out;
}

}  // namespace

TEST(RequestPaths, AFolderStandsForItsFilesNamedFromItsParent) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("Photos/2011"));
    WriteFile(dir.File("Photos/2011/a.jpg"), "a");
    WriteFile(dir.File("Photos/b.jpg"), "b");
    WriteFile(dir.File("Photos/.hidden"), "h");      // refused by the intake filter
    WriteFile(dir.File("Photos/~$draft.docx"), "");  // an Office lock file
    WriteFile(dir.File("single.txt"), "s");

    const RequestPaths paths = BuildRequestPaths(intake::kShareLinkRequest,
                                                 {dir.File("Photos/"), "single.txt"}, dir.Path());
    EXPECT_TRUE(paths.missing.empty());
    EXPECT_TRUE(paths.uncarriable.empty());
    EXPECT_TRUE(paths.refused.empty());
    EXPECT_EQ(DirsAndNames(paths.batch), (std::vector<std::pair<std::string, std::string>>{
                                             {dir.Path(), "Photos/2011/a.jpg"},
                                             {dir.Path(), "Photos/b.jpg"},
                                             {dir.Path(), "single.txt"},
                                         }));
    for (const auto& entry : paths.batch)
        EXPECT_EQ(entry.nKind, intake::kShareLinkRequest);
}

TEST(RequestPaths, RelativePathsAreCleanedUp) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("sub"));
    WriteFile(dir.File("a.txt"), "a");
    const RequestPaths paths =
        BuildRequestPaths(1, {"./sub/../a.txt", "sub/..//a.txt"}, dir.Path());
    ASSERT_EQ(paths.batch.size(), 2u);
    for (const auto& [folder, name] : DirsAndNames(paths.batch)) {
        EXPECT_EQ(folder, dir.Path());
        EXPECT_EQ(name, "a.txt");
    }
}

TEST(RequestPaths, MissingUnnameableLongAndRefusedPathsAreNamed) {
    TempDir dir;
    WriteFile(dir.File("ok.txt"), "");
    WriteFile(dir.File("report.tmp"), "");
    const std::string longName(300, 'n');
    // A name of 300 bytes fits the file system but not a record's 259 units.
    WriteFile(dir.File(longName.substr(0, 250)), "");
    std::filesystem::create_directories(dir.File("deep"));
    std::string deep = dir.File("deep");
    for (int i = 0; i < 3; ++i) {
        deep += "/" + std::string(100, 'd');
        std::filesystem::create_directories(deep);
    }
    WriteFile(deep + "/f.txt", "");
    const std::string badUtf8 = dir.File("bad\xff.txt");

    const RequestPaths paths = BuildRequestPaths(
        1, {"ok.txt", "gone.txt", "report.tmp", longName.substr(0, 250), deep + "/f.txt", badUtf8},
        dir.Path());
    EXPECT_EQ(paths.missing, std::vector<std::string>{"gone.txt"});
    EXPECT_EQ(paths.refused, std::vector<std::string>{"report.tmp"});
    EXPECT_EQ(paths.uncarriable, (std::vector<std::string>{badUtf8, deep + "/f.txt"}));
    EXPECT_EQ(DirsAndNames(paths.batch),
              (std::vector<std::pair<std::string, std::string>>{
                  {dir.Path(), "ok.txt"}, {dir.Path(), longName.substr(0, 250)}}));
}
