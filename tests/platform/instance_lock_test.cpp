#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.h"
#include "support/test_env.h"

using norvel::test::TempDir;
using platform::InstanceLock;

TEST(InstanceLock, OnlyOneHolderAtATimeAndTheLockDiesWithItsHolder) {
    TempDir dir;
    const std::string path = dir.File("lock");
    bool busy = true;
    auto first = InstanceLock::TryAcquire(path, &busy);
    ASSERT_TRUE(first);
    EXPECT_FALSE(busy);
    EXPECT_FALSE(InstanceLock::TryAcquire(path, &busy));
    EXPECT_TRUE(busy);
    // Another process sees it held as well.
    EXPECT_FALSE(platform::RunProgramOutput({"flock", "-n", path, "true"}, 5000));

    first.reset();
    EXPECT_TRUE(InstanceLock::TryAcquire(path, &busy));
}

TEST(InstanceLock, ALockFileLeftBehindIsTakenAndHoldsTheHoldersId) {
    TempDir dir;
    const std::string path = dir.File("lock");
    norvel::test::WriteFile(path, "4194304 from a process that crashed long ago\n");
    auto lock = InstanceLock::TryAcquire(path);
    ASSERT_TRUE(lock);
    const auto ownPid = platform::RunProgramOutput({"sh", "-c", "echo $PPID"}, 5000);
    ASSERT_TRUE(ownPid);
    EXPECT_EQ(norvel::test::ReadFile(path), *ownPid);
}

TEST(InstanceLock, ASymbolicLinkIsNotFollowed) {
    TempDir dir;
    norvel::test::WriteFile(dir.File("target"), "keep");
    ASSERT_TRUE(
        platform::RunProgramOutput({"ln", "-s", dir.File("target"), dir.File("lock")}, 5000));
    bool busy = true;
    EXPECT_FALSE(InstanceLock::TryAcquire(dir.File("lock"), &busy));
    EXPECT_FALSE(busy);
    EXPECT_EQ(norvel::test::ReadFile(dir.File("target")), "keep");
}
