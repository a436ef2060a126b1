#include "platform/launch.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/test_env.h"

namespace {

// A detached program finishes on its own time: wait (at most ten seconds) for its file.
std::string WaitForFile(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(path + ".done"))
            return norvel::test::ReadFile(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return "<timed out>";
}

// A script that writes its arguments, one a line, to the file, then marks it done.
std::string RecorderScript(const norvel::test::TempDir& dir, const std::string& out) {
    const std::string script = dir.File("record.sh");
    norvel::test::WriteFile(script,
                            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >'" + out +
                                "'\ntouch '" + out + ".done'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script;
}

}  // namespace

TEST(LaunchTest, ADetachedProgramGetsItsArgumentsUninterpreted) {
    norvel::test::TempDir dir;
    const std::string out = dir.File("args");
    const std::string script = RecorderScript(dir, out);
    ASSERT_TRUE(platform::StartDetached({script, "1234", "\"/opt/x y/prog\"", "$HOME;ls"}));
    EXPECT_EQ(WaitForFile(out), "1234\n\"/opt/x y/prog\"\n$HOME;ls\n");
    EXPECT_FALSE(platform::StartDetached({}));
}

TEST(LaunchTest, OpenUrlUsesTheProgramNamedByTheEnvironment) {
    norvel::test::TempDir dir;
    const std::string out = dir.File("url");
    setenv("NORVEL_OPEN_URL", RecorderScript(dir, out).c_str(), 1);
    EXPECT_TRUE(platform::OpenUrl(u"http://127.0.0.1:1/disk/#/我的网盘"));
    EXPECT_EQ(WaitForFile(out), "http://127.0.0.1:1/disk/#/我的网盘\n");
    EXPECT_FALSE(platform::OpenUrl(u""));
    unsetenv("NORVEL_OPEN_URL");
}

TEST(LaunchTest, NamesAreFoundOnThePathAndMissingProgramsFail) {
    norvel::test::TempDir dir;
    const std::string out = dir.File("args");
    RecorderScript(dir, out);
    const std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", ("/nonexistent:" + dir.Path() + ":" + savedPath).c_str(), 1);
    const bool started = platform::StartDetached({"record.sh", "on the path"});
    const bool missing = platform::StartDetached({"no-such-program-here"});
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_TRUE(started);
    EXPECT_EQ(WaitForFile(out), "on the path\n");
    EXPECT_FALSE(missing);
    EXPECT_FALSE(platform::StartDetached({dir.File("absent")}));
}
