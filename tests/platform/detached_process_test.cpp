#include "platform/detached_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/test_env.h"

using norvel::test::TempDir;
using platform::DetachedProgram;

namespace {

// Everything the program writes to standard error until the stream ends.
std::string AllErrors(DetachedProgram& program) {
    std::string all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto part = program.ReadErrors(100);
        if (!part)
            return all;
        all += *part;
    }
    return all + "<no end>";
}

// Field 6 of /proc/<pid>/stat: the session id.
std::string SessionOf(const std::string& statLine) {
    std::istringstream fields(statLine.substr(statLine.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 6; ++i)
        fields >> field;
    return field;
}

}  // namespace

TEST(DetachedProgram, PassesOnWhatTheProgramSaysAndWhenItEnds) {
    auto program =
        DetachedProgram::Start("/bin/sh", {"-c", "echo to-error >&2; echo to-output"}, true);
    ASSERT_TRUE(program);
    EXPECT_EQ(AllErrors(*program), "to-error\n");
    EXPECT_FALSE(program->ReadErrors(0));
}

TEST(DetachedProgram, RunsInASessionOfItsOwnWithNothingOnStandardInput) {
    auto program = DetachedProgram::Start(
        "/bin/sh", {"-c", "cat; read -r line < /proc/$$/stat; echo \"$line\" >&2"}, true);
    ASSERT_TRUE(program);
    const std::string childStat = AllErrors(*program);
    std::ifstream ownStatFile("/proc/self/stat");
    std::string ownStat;
    std::getline(ownStatFile, ownStat);
    ASSERT_FALSE(childStat.empty());
    EXPECT_NE(SessionOf(childStat), SessionOf(ownStat));
}

TEST(DetachedProgram, AProgramThatCannotStartIsReported) {
    TempDir dir;
    int error = 0;
    EXPECT_FALSE(DetachedProgram::Start(dir.File("missing"), {}, false, &error));
    EXPECT_EQ(error, ENOENT);
    norvel::test::WriteFile(dir.File("not-executable"), "#!/bin/sh\n");
    EXPECT_FALSE(DetachedProgram::Start(dir.File("not-executable"), {}, false, &error));
    EXPECT_EQ(error, EACCES);
}

TEST(DetachedProgram, WithoutCaptureTheProgramRunsOnItsOwn) {
    TempDir dir;
    auto program =
        DetachedProgram::Start("/bin/sh", {"-c", "echo ran > \"$0\"", dir.File("marker")}, false);
    ASSERT_TRUE(program);
    EXPECT_FALSE(program->ReadErrors(0));
    for (int i = 0; i < 200 && norvel::test::ReadFile(dir.File("marker")).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(norvel::test::ReadFile(dir.File("marker")), "ran\n");
}
