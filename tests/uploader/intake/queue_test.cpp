#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "intake/intake_state.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "platform/event.h"
#include "platform/text.h"
#include "settings/session_state.h"
#include "test_driver.h"

using namespace intake;
using intake_test::IntakeTest;
using intake_test::TestDriver;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

namespace {

class QueueTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        SetUploadDriver([this](UploadContext& task) { return m_Driver.Run(task); });
        SetPauseAfterTask(std::chrono::milliseconds(0));
        EnsureMainWindow();
    }

    // Adds files 1.txt ... count.txt (ids 10001 on).
    void AddFiles(int count) {
        for (int i = 1; i <= count; ++i) {
            const std::string name = std::to_string(i) + ".txt";
            MakeFile("up/" + name, "content");
            AddUploadRequest(PathOf("up"), platform::Utf8ToWide(name));
        }
    }

    int32_t State(int32_t id) { return GetTaskView(id).value().state; }

    TestDriver m_Driver;
};

constexpr int32_t Id(int n) {
    return kFirstTaskId - 1 + n;
}

}  // namespace

TEST_F(QueueTest, FiveRunAtOnceAndTheSixthWaitsForAFinishedWorkerAndItsPause) {
    constexpr auto kPause = std::chrono::milliseconds(60);
    SetPauseAfterTask(kPause);
    StartQueue();
    AddFiles(7);
    ASSERT_TRUE(m_Driver.WaitForStarts(5));
    EXPECT_EQ(m_Driver.Running(), (std::set<int32_t>{Id(1), Id(2), Id(3), Id(4), Id(5)}));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // room for a wrong sixth start
    EXPECT_EQ(m_Driver.Started().size(), 5u);
    EXPECT_EQ(State(Id(6)), kTaskWaiting);

    const auto finished = Clock::now();
    m_Driver.Finish(Id(3));
    ASSERT_TRUE(m_Driver.WaitForStarts(6));
    EXPECT_GE(Clock::now() - finished, kPause);
    EXPECT_EQ(m_Driver.Started().back(), Id(6));
    EXPECT_EQ(State(Id(3)), kTaskComplete);

    m_Driver.MakeAllInstant();
    ASSERT_TRUE(m_Driver.WaitForStarts(7));
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(7)));
    EXPECT_EQ(m_Driver.MostAtOnce(), 5u);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(State(Id(n)), kTaskComplete) << n;
}

TEST_F(QueueTest, PauseAllThenResumeAllRunsTheInterruptedTaskFirst) {
    StartQueue(1);
    m_Driver.MakeInstant({Id(1), Id(2), Id(3)});
    AddFiles(6);
    ASSERT_TRUE(m_Driver.WaitForStarts(4));  // task 4 runs, 5 and 6 wait
    EXPECT_EQ(QueuedTaskCount(), 2u);

    PauseAll();
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(4)));
    EXPECT_TRUE(m_Driver.StoppedByEvent(Id(4)));
    EXPECT_EQ(m_Driver.StateAtReturn(Id(4)), kTaskPaused);
    for (int n : {4, 5, 6})
        EXPECT_EQ(State(Id(n)), kTaskPaused) << n;
    EXPECT_EQ(QueuedTaskCount(), 0u);
    EXPECT_THAT(m_Ui.CallsStartingWith("repaint"), ElementsAre("repaint"));

    m_Driver.MakeAllInstant();
    ResumeAll();
    ASSERT_TRUE(m_Driver.WaitForStarts(7));
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(6)));
    EXPECT_THAT(m_Driver.Started(), ElementsAre(Id(1), Id(2), Id(3), Id(4), Id(4), Id(5), Id(6)));
    for (int n : {4, 5, 6})
        EXPECT_EQ(State(Id(n)), kTaskComplete) << n;
}

TEST_F(QueueTest, ARetriedTaskRunsBeforeTheLaterWaitingOnes) {
    StartQueue(1);
    m_Driver.MakeInstant({Id(1), Id(2), Id(3), Id(4), Id(5)});
    m_Driver.Finish(Id(3), kTaskFailed);
    AddFiles(9);
    ASSERT_TRUE(m_Driver.WaitForStarts(6));  // 6 runs; 7, 8 and 9 wait
    EXPECT_EQ(State(Id(3)), kTaskFailed);

    RemoveTask(Id(8));
    RetryTask(Id(3));
    EXPECT_EQ(State(Id(3)), kTaskWaiting);
    m_Driver.Finish(Id(3), kTaskComplete);
    m_Driver.MakeAllInstant();
    ASSERT_TRUE(m_Driver.WaitForStarts(9));
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(9)));
    EXPECT_THAT(m_Driver.Started(),
                ElementsAre(Id(1), Id(2), Id(3), Id(4), Id(5), Id(6), Id(3), Id(7), Id(9)));
    EXPECT_EQ(State(Id(3)), kTaskComplete);
}

TEST_F(QueueTest, RemovingAWaitingTaskFreesItARunningOneIsStoppedAndFreedByItsWorker) {
    StartQueue(1);
    AddFiles(2);
    ASSERT_TRUE(m_Driver.WaitForStarts(1));

    RemoveTask(Id(2));  // waiting
    EXPECT_FALSE(GetTaskView(Id(2)));
    RemoveTask(Id(1));  // running
    EXPECT_FALSE(GetTaskView(Id(1)));
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(1)));
    EXPECT_TRUE(m_Driver.StoppedByEvent(Id(1)));
    EXPECT_EQ(m_Driver.StateAtReturn(Id(1)), kTaskCancelled);
    RemoveTask(Id(1));  // gone already: nothing happens

    // The worker goes on; the removed waiting task never runs.
    m_Driver.MakeAllInstant();
    AddFiles(1);
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(3)));
    EXPECT_THAT(m_Driver.Started(), ElementsAre(Id(1), Id(3)));
    EXPECT_THAT(TaskIds(), ElementsAre(Id(3)));
}

TEST_F(QueueTest, EmptyAndTooLargeFilesAreShownButNeverRun) {
    SetMaxFileSize(u"10");
    m_Driver.MakeAllInstant();
    StartQueue();
    MakeFile("up/empty.txt", "");
    MakeFile("up/large.bin", std::string(11, 'x'));
    MakeFile("up/fits.txt", std::string(10, 'x'));
    AddUploadRequest(PathOf("up"), u"empty.txt");
    AddUploadRequest(PathOf("up"), u"large.bin");
    AddUploadRequest(PathOf("up"), u"missing.txt");
    AddUploadRequest(PathOf("up"), u"fits.txt");
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(4)));
    EXPECT_EQ(State(Id(1)), kTaskEmptyFile);
    EXPECT_EQ(State(Id(2)), kTaskTooLarge);
    EXPECT_EQ(State(Id(3)), kTaskEmptyFile);
    EXPECT_EQ(State(Id(4)), kTaskComplete);
    EXPECT_THAT(m_Driver.Started(), ElementsAre(Id(4)));

    // Every one of them reached the main window's rows.
    Pump();
    std::vector<int32_t> changed;
    for (int32_t id; PopChangedTask(id);)
        changed.push_back(id);
    EXPECT_THAT(changed, ElementsAre(Id(1), Id(2), Id(3), Id(4), Id(4)));
    // One message woke the window for all of them: its handler never emptied the queue.
    EXPECT_EQ(m_Ui.TaskChangedMessages(), 1);
}

TEST_F(QueueTest, UntilTheAccountLimitIsKnownNoFileIsTooLarge) {
    SetMaxFileSize(u"");
    MakeFile("up/big.bin", std::string(5000, 'x'));
    AddUploadRequest(PathOf("up"), u"big.bin");
    EXPECT_EQ(State(Id(1)), kTaskWaiting);
    // An anonymous upload has no account limit at all.
    SetMaxFileSize(u"10");
    auto anonymous =
        CreateUploadContext(PathOf("up"), u"big.bin", platform::kNoWindow, kAnonymousUpload);
    EXPECT_EQ(anonymous->m_State, kTaskWaiting);
    EXPECT_EQ(anonymous->m_FileSize, 5000u);
    EXPECT_EQ(anonymous->m_FileName, u"big.bin");
}

TEST_F(QueueTest, ATaskPausedAndResumedBeforeItsDriverReturnedRunsOnceAtATime) {
    StartQueue(2);
    m_Driver.MakeSlowToStop({Id(1)});
    AddFiles(1);
    ASSERT_TRUE(m_Driver.WaitForStarts(1));
    PauseAll();
    ResumeAll();       // the driver still runs: another worker must not start it again
    RetryTask(Id(1));  // nor may a retry
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(m_Driver.Started().size(), 1u);

    m_Driver.MakeAllInstant();
    m_Driver.Finish(Id(1));
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(1), 2));  // resumed once the first run returned
    EXPECT_EQ(m_Driver.MostAtOnce(), 1u);
    EXPECT_EQ(State(Id(1)), kTaskComplete);
}

TEST_F(QueueTest, ARetryAskedWhileTheRunStillReturnsIsDoneWhenItReturns) {
    // The first run fails and is held before it returns; the second completes.
    struct Run {
        platform::Event failed{platform::Event::ResetMode::Manual};
        platform::Event release{platform::Event::ResetMode::Manual};
        std::atomic<int> runs{0};
    };
    const auto run = std::make_shared<Run>();
    SetUploadDriver([run](UploadContext& task) {
        const bool first = ++run->runs == 1;
        SetTaskState(task, first ? kTaskFailed : kTaskComplete);
        if (first) {
            run->failed.Set();
            static_cast<void>(run->release.Wait(10000));
        }
        return 0;
    });
    StartQueue(1);
    AddFiles(1);
    ASSERT_TRUE(run->failed.Wait(10000));
    EXPECT_EQ(RetryTask(Id(1)), RetryOutcome::WhenRunReturns);
    EXPECT_EQ(State(Id(1)), kTaskFailed);  // nothing changes before the run returned
    for (int32_t id; PopChangedTask(id);) {
    }
    run->release.Set();
    ASSERT_TRUE(norvel::test::WaitUntil([&] { return State(Id(1)) == kTaskComplete; },
                                        std::chrono::seconds(10)));
    EXPECT_EQ(run->runs.load(), 2);
    // The retry was reported to the main window like any change.
    std::vector<int32_t> changed;
    for (int32_t id; PopChangedTask(id);)
        changed.push_back(id);
    EXPECT_THAT(changed, ::testing::Contains(Id(1)));
    // Only failures are retried.
    EXPECT_EQ(RetryTask(Id(1)), RetryOutcome::Refused);
    EXPECT_EQ(RetryTask(Id(9)), RetryOutcome::Refused);
}

TEST_F(QueueTest, StopQueueStopsRunningDriversAndEndsEveryWorker) {
    StartQueue();
    AddFiles(7);
    ASSERT_TRUE(m_Driver.WaitForStarts(5));
    StopQueue();  // returns once every worker has ended
    EXPECT_TRUE(IsShuttingDown());
    EXPECT_THAT(m_Driver.Running(), IsEmpty());
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(m_Driver.StoppedByEvent(Id(n))) << n;
        EXPECT_EQ(m_Driver.StateAtReturn(Id(n)), kTaskCancelled) << n;
    }
    EXPECT_THAT(TaskIds(), IsEmpty());
    EXPECT_EQ(m_Driver.Started().size(), 5u);

    // Started again, the queue works as before.
    StartQueue(1);
    EXPECT_FALSE(IsShuttingDown());
    EXPECT_FALSE(settings::AbortEvent().IsSet());
    m_Driver.MakeAllInstant();
    AddFiles(1);
    ASSERT_TRUE(m_Driver.WaitForReturn(Id(8)));
}

TEST_F(QueueTest, ChangeReportsGoToTheMainWindowQueueOrToTheOwnerWindow) {
    StartQueue(0);
    std::vector<platform::LParam> seen;
    const platform::WindowHandle owner = platform::RegisterWindow(
        m_Loop, [&](uint32_t message, platform::WParam, platform::LParam l) {
            if (message == WM_TASK_CHANGED)
                seen.push_back(l);
            return platform::LResult{0};
        });
    NotifyTask(42, owner);
    NotifyTask(43, MainWindow());
    Pump();
    platform::DestroyWindow(owner);
    NotifyTask(44, owner);  // dropped
    NotifyTask(45, platform::kNoWindow);
    Pump();
    EXPECT_THAT(seen, ElementsAre(42));
    EXPECT_EQ(m_Ui.TaskChangedMessages(), 1);
    int32_t id = 0;
    ASSERT_TRUE(PopChangedTask(id));
    EXPECT_EQ(id, 43);
    EXPECT_FALSE(PopChangedTask(id));
    // Once the queue was emptied, the next change wakes the window again.
    NotifyTask(48, MainWindow());
    NotifyTask(49, MainWindow());
    Pump();
    EXPECT_EQ(m_Ui.TaskChangedMessages(), 2);
    ASSERT_TRUE(PopChangedTask(id));
    ASSERT_TRUE(PopChangedTask(id));
    EXPECT_EQ(id, 49);

    // After shutdown nothing more is queued for the main window.
    BeginShutdown();
    QueueTaskChange(46);
    NotifyTask(47, MainWindow());
    EXPECT_FALSE(PopChangedTask(id));
}
