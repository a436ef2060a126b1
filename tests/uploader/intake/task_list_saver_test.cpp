// The saved task list kept current while the queue runs: written by the saver thread a
// short while after changes, a burst gathered into few writes, and what a killed process
// leaves is every task of its last changes.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "intake/intake_state.h"
#include "intake/queue.h"
#include "intake/task_list.h"
#include "intake/task_list_saver.h"
#include "intake/task_map.h"
#include "intake_test_support.h"

using namespace intake;
using intake_test::IntakeTest;
using Clock = std::chrono::steady_clock;

namespace {

class TaskListSaverTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        MakeFolder("Flinga");
        EnsureMainWindow();
    }
    void TearDown() override {
        IntakeTest::TearDown();
        SetTaskListSaveDelay(kTaskListSaveDelay);
    }

    std::string ListFile() { return m_Dir.File("Flinga/uploader.dat"); }
    DecodedTaskList Saved() { return DecodeTaskList(norvel::test::ReadFile(ListFile())); }

    // The file holds `count` tasks, every one in the state.
    bool SavedAre(size_t count, int32_t state) {
        const DecodedTaskList list = Saved();
        if (list.damaged || list.tasks.size() != count)
            return false;
        for (const CTask& task : list.tasks)
            if (task.m_State != state)
                return false;
        return true;
    }
};

}  // namespace

TEST_F(TaskListSaverTest, ABurstOfAddsAndChangesIsWrittenInAFewWritesAndEndsWithEveryTask) {
    constexpr int kTasks = 5000;
    StartQueue(0);  // no workers: the tasks stay where the test puts them
    ASSERT_FALSE(RestoreSavedTasks().found);
    MakeFile("up/a.txt");
    const size_t before = TaskListWrites();
    const auto start = Clock::now();
    for (int i = 0; i < kTasks; ++i)
        ASSERT_NE(AddUploadRequest(PathOf("up"), u"a.txt"), 0);
    PauseAll();  // 5000 changes of state
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // The file is in place a moment before the saver counts its write.
    ASSERT_TRUE(norvel::test::WaitUntil(
        [&] { return SavedAre(kTasks, kTaskPaused) && TaskListWrites() > before; },
        std::chrono::seconds(20)));
    const size_t writes = TaskListWrites() - before;
    std::printf("burst of %d adds and %d changes in %.3f s: %zu writes\n", kTasks, kTasks, seconds,
                writes);
    // One write per second of changes (the delay), and the one that takes the last ones.
    EXPECT_LE(writes, 2u + static_cast<size_t>(seconds));
    EXPECT_EQ(std::filesystem::status(ListFile()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(TaskListSaverTest, AKilledRunLeavesItsTasksAndTheNextRunRestoresThemOnce) {
    SetTaskListSaveDelay(std::chrono::milliseconds(20));
    MakeFile("up/a.txt");
    MakeFile("up/b.txt");
    // Saved by an earlier run: one uploading when it ended, one waiting.
    norvel::test::WriteFile(ListFile(), EncodeTaskList({{PathOf("up"), u"a.txt", kTaskUploading},
                                                        {PathOf("up"), u"b.txt", kTaskWaiting}}));
    StartQueue(0);
    // Nothing is written before the saved list was read back, whatever changes.
    AddUploadRequest(PathOf("up"), u"b.txt");
    EXPECT_EQ(Saved().tasks.size(), 2u);
    EXPECT_EQ(RestoreSavedTasks().restored, 2);
    // Kept until the saver replaced it with every task, the uploading one waiting again.
    ASSERT_TRUE(std::filesystem::exists(ListFile()));
    ASSERT_TRUE(norvel::test::WaitUntil([&] { return SavedAre(3, kTaskWaiting); }));
    EXPECT_FALSE(RestoreSavedTasks().found);  // once per run: the file is this run's own list

    // A removal and a change reach the file without any exit.
    RemoveTask(TaskIds().front());
    const int32_t last = TaskIds().back();
    {
        std::lock_guard lock(TaskLock());
        MoveTaskLocked(*FindTaskLocked(last), kTaskPaused);
    }
    ASSERT_TRUE(norvel::test::WaitUntil([&] {
        const DecodedTaskList list = Saved();
        return list.tasks.size() == 2 && list.tasks[1].m_State == kTaskPaused;
    }));

    // Killed now, the next run would find both. An orderly end without the exit's save
    // drops them, as it always did; the saver writes that before it is joined.
    StopQueue();
    EXPECT_TRUE(TaskIds().empty());
    EXPECT_TRUE(std::filesystem::exists(ListFile()));
    EXPECT_TRUE(Saved().tasks.empty());
}

TEST_F(TaskListSaverTest, TheExitSaveIsTheLastWrite) {
    SetTaskListSaveDelay(std::chrono::milliseconds(20));
    StartQueue(0);
    RestoreSavedTasks();
    MakeFile("up/a.txt");
    AddUploadRequest(PathOf("up"), u"a.txt");
    ASSERT_TRUE(SaveTasksForExit());
    EXPECT_TRUE(SavedAre(1, kTaskWaiting));
    const size_t writes = TaskListWrites();
    AddUploadRequest(PathOf("up"), u"a.txt");  // after the exit's save: not written
    BeginShutdown();
    StopQueue();
    EXPECT_EQ(TaskListWrites(), writes);
    EXPECT_TRUE(SavedAre(1, kTaskWaiting));
}
