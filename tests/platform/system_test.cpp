#include "platform/system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/test_env.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Points XDG_RUNTIME_DIR at a folder for one test and puts the old value back after.
class RuntimeDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = getenv("XDG_RUNTIME_DIR");
        m_Saved = saved ? saved : "";
        setenv("XDG_RUNTIME_DIR", m_Base.Path().c_str(), 1);
    }
    void TearDown() override { setenv("XDG_RUNTIME_DIR", m_Saved.c_str(), 1); }

    std::string Expected() const { return m_Base.Path() + "/norvel"; }
    fs::perms Mode() const { return fs::status(Expected()).permissions() & fs::perms::mask; }

    norvel::test::TempDir m_Base;
    std::string m_Saved;
};

void ExportedFunctionOfThisProgram() {}

}  // namespace

TEST_F(RuntimeDirTest, CreatesAPrivateFolderBelowTheRuntimeFolder) {
    EXPECT_EQ(RuntimeDir(), Expected());
    EXPECT_TRUE(fs::is_directory(Expected()));
    EXPECT_EQ(Mode(), fs::perms::owner_all);
    EXPECT_EQ(RuntimeDir(), Expected());  // the existing folder is accepted
}

TEST_F(RuntimeDirTest, TightensALooseModeOfOurOwnFolder) {
    fs::create_directory(Expected());
    fs::permissions(Expected(),
                    fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read);
    EXPECT_EQ(RuntimeDir(), Expected());
    EXPECT_EQ(Mode(), fs::perms::owner_all);
}

TEST_F(RuntimeDirTest, RefusesALinkAFileAndAForeignFolder) {
    norvel::test::TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.Path(), Expected());
    EXPECT_EQ(RuntimeDir(), "");
    fs::remove(Expected());

    norvel::test::WriteFile(Expected(), "not a folder");
    EXPECT_EQ(RuntimeDir(), "");
    fs::remove(Expected());

    if (geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    fs::create_directory(Expected());
    ASSERT_EQ(chown(Expected().c_str(), 65534, 65534), 0);
    EXPECT_EQ(RuntimeDir(), "");
}

TEST(SystemFacts, ComputerNameIsOneShortLabel) {
    const std::u16string name = ComputerName();
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 15u);
    EXPECT_EQ(name.find(u'.'), std::u16string::npos);
}

TEST(SystemFacts, ClocksAgreeWithTheSystemInTheirUnits) {
    std::ifstream uptimeFile("/proc/uptime");
    double uptimeSeconds = 0;
    uptimeFile >> uptimeSeconds;
    const double bootMs = static_cast<double>(MillisecondsSinceBoot());
    EXPECT_NEAR(bootMs / 1000.0, uptimeSeconds, 2.0);

    const auto now = std::chrono::system_clock::now().time_since_epoch();
    EXPECT_NEAR(static_cast<double>(UnixTimeNow()),
                static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(now).count()),
                2.0);
}

TEST(SystemFacts, ExecutableAndModulePaths) {
    const std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(fs::path(exe).filename(), "platform_tests");
    // The static libraries are part of the program itself.
    EXPECT_EQ(ModulePath(reinterpret_cast<const void*>(&ExportedFunctionOfThisProgram)), exe);
    EXPECT_EQ(ModulePath(reinterpret_cast<const void*>(&ExecutablePath)), exe);
    // A function of the C library lives in a shared library, named by its full path.
    const std::string libc = ModulePath(reinterpret_cast<const void*>(&::getpid));
    EXPECT_EQ(libc.front(), '/');
    EXPECT_NE(libc.find(".so"), std::string::npos) << libc;
    EXPECT_TRUE(fs::exists(libc));
    EXPECT_EQ(ModulePath(nullptr), "");
}

TEST(SystemFacts, CurrentUserNameIsKnown) {
    EXPECT_FALSE(CurrentUserName().empty());
}
