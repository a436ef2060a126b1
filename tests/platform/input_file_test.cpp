#include "platform/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_env.h"

using namespace platform;

namespace {

std::u16string Wide(const std::string& path) {
    return Utf8ToWide(path);
}

}  // namespace

TEST(InputFile, ReadsAtOffsetsAndStopsAtTheEnd) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("a.bin"), "0123456789");
    InputFile file;
    ASSERT_EQ(file.Open(Wide(dir.File("a.bin"))), 0);
    char buffer[16] = {};
    EXPECT_EQ(file.ReadAt(3, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "3456");
    EXPECT_EQ(file.ReadAt(8, buffer, 16), 2);  // short only at the end
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(file.ReadAt(10, buffer, 4), 0);
    ASSERT_TRUE(file.Version());
    EXPECT_EQ(file.Version()->size, 10u);
    file.Close();
    EXPECT_EQ(file.ReadAt(0, buffer, 4), -1);
    EXPECT_FALSE(file.Version());
}

TEST(InputFile, KeepsReadingAFileWhosePathWasRemovedAndSeesItChange) {
    norvel::test::TempDir dir;
    const std::string path = dir.File("b.bin");
    norvel::test::WriteFile(path, "abc");
    InputFile file;
    ASSERT_EQ(file.Open(Wide(path)), 0);
    const FileStamp before = *file.Version();
    EXPECT_EQ(file.OpenedVersion(), before);
    EXPECT_FALSE(file.ChangedSinceOpen());
    ASSERT_EQ(::truncate(path.c_str(), 2), 0);
    EXPECT_NE(*file.Version(), before);
    EXPECT_TRUE(file.ChangedSinceOpen());
    ASSERT_EQ(::unlink(path.c_str()), 0);
    char buffer[4] = {};
    EXPECT_EQ(file.ReadAt(0, buffer, 4), 2);
}

TEST(InputFile, RefusesWhatIsNoRegularFileAndTellsMissingApart) {
    norvel::test::TempDir dir;
    InputFile file;
    const int missing = file.Open(Wide(dir.File("none")));
    EXPECT_TRUE(IsNotFoundError(missing));
    norvel::test::WriteFile(dir.File("plain"), "x");
    EXPECT_TRUE(IsNotFoundError(file.Open(Wide(dir.File("plain") + "/below"))));
    EXPECT_EQ(file.Open(Wide(dir.Path())), EISDIR);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(file.Open(Wide(dir.File("fifo"))), EINVAL);  // returns at once, no writer needed
    std::filesystem::create_symlink("loop", dir.File("loop"));
    const int loop = file.Open(Wide(dir.File("loop")));
    EXPECT_NE(loop, 0);
    EXPECT_FALSE(IsNotFoundError(loop));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(IsNotFoundError(file.Open(u"")));
}

TEST(Files, ModificationTimeOfFilesAndFolders) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("m"), "x");
    std::filesystem::last_write_time(dir.File("m"), std::filesystem::file_time_type::clock::now());
    const auto file = ModificationTime(Wide(dir.File("m")));
    ASSERT_TRUE(file);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("m").c_str(), &st), 0);
    EXPECT_EQ(*file, st.st_mtime);
    EXPECT_TRUE(ModificationTime(Wide(dir.Path())));
    EXPECT_FALSE(ModificationTime(Wide(dir.File("none"))));
}
