// The engine as the queue's five workers run it: files upload five at a time, a task
// removed in the middle of a block is freed without an outcome, and all uploads paused
// and resumed complete.

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "engine_fixture.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/text.h"
#include "upload/driver.h"

namespace upload_test {
namespace {

using namespace std::chrono_literals;
using norvel::test::WaitUntil;

class QueueTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        intake::ResetTaskIdCounter();
        intake::SetPauseAfterTask(10ms);
        // The engine's own driver, watched: which runs returned, in which state. While
        // m_HoldReturns is set, a finished run waits before it returns to its worker.
        intake::SetUploadDriver([this](intake::UploadContext& task) {
            {
                // The worker took the task; while m_HoldStarts is set, the run waits here.
                std::unique_lock lock(m_Lock);
                m_Taken.push_back(task.m_TaskId);
                m_Returned.notify_all();
                m_Released.wait(lock, [&] { return !m_HoldStarts; });
            }
            const int result = upload::UploadFile(task);
            std::unique_lock lock(m_Lock);
            m_Released.wait(lock, [&] { return !m_HoldReturns; });
            m_Returns[task.m_TaskId].push_back(intake::GetTaskState(task));
            m_Returned.notify_all();
            return result;
        });
        intake::StartQueue();
    }
    void TearDown() override {
        {
            std::lock_guard lock(m_Lock);
            m_HoldReturns = false;  // also when a test ended early
            m_HoldStarts = false;
        }
        m_Released.notify_all();
        intake::StopQueue();
        intake::SetUploadDriver(nullptr);
        intake::SetPauseAfterTask(500ms);
        EngineTest::TearDown();
    }

    int32_t Add(const std::string& name, const std::string& bytes) {
        MakeFile(name, bytes);
        return intake::AddUploadRequest(Dir(), platform::Utf8ToWide(name));
    }

    // The state each run of the task returned with, once it returned so many times.
    std::vector<int32_t> WaitForReturns(int32_t id, size_t runs = 1) {
        std::unique_lock lock(m_Lock);
        m_Returned.wait_for(lock, 20s, [&] { return m_Returns[id].size() >= runs; });
        return m_Returns[id];
    }

    int32_t StateOf(int32_t id) {
        const auto view = intake::GetTaskView(id);
        return view ? view->state : -1;
    }

    std::mutex m_Lock;
    std::condition_variable m_Returned;
    std::condition_variable m_Released;
    bool m_HoldReturns = false;
    bool m_HoldStarts = false;
    std::vector<int32_t> m_Taken;
    std::map<int32_t, std::vector<int32_t>> m_Returns;
};

TEST_F(QueueTest, SevenFilesUploadFiveAtATime) {
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "delay", .path = "/up/up_init", .count = 0, .ms = 300}));
    std::vector<int32_t> ids;
    std::vector<std::string> contents;
    for (int i = 0; i < 7; ++i) {
        contents.push_back(SampleBytes(5000 + i * 100, 20 + i));
        ids.push_back(Add("file" + std::to_string(i) + ".bin", contents.back()));
        ASSERT_NE(ids.back(), 0);
    }
    size_t mostAtOnce = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            size_t uploading = 0, complete = 0;
            for (int32_t id : ids) {
                const int32_t state = StateOf(id);
                uploading += state == intake::kTaskUploading;
                complete += state == intake::kTaskComplete;
            }
            mostAtOnce = std::max(mostAtOnce, uploading);
            return complete == ids.size();
        },
        10s));
    EXPECT_EQ(mostAtOnce, 5u);
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_TRUE(ServiceHolds(contents[i]));
        EXPECT_EQ(RemoteMd5("/file" + std::to_string(i) + ".bin"), Md5Of(contents[i]));
        EXPECT_EQ(intake::GetTaskView(ids[i])->doneSize, contents[i].size());
    }
    EXPECT_EQ(CountRequests("/app/pc/sync.upauth.php") >= 1, true);
    EXPECT_EQ(LogRecords("[COMPLETE_UploadTask]").size(), 7u);
}

TEST_F(QueueTest, ATaskRemovedInTheMiddleOfABlockIsFreedWithoutAnOutcome) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    const int32_t id = Add("removed.bin", SampleBytes(3000, 30));
    ASSERT_TRUE(WaitUntil(
        [&] { return intake::GetTaskView(id) && intake::GetTaskView(id)->doneSize > 0; }, 10s));
    const auto removedAt = std::chrono::steady_clock::now();
    intake::RemoveTask(id);
    EXPECT_FALSE(intake::GetTaskView(id));
    EXPECT_EQ(WaitForReturns(id), std::vector<int32_t>{intake::kTaskCancelled});
    EXPECT_LT(std::chrono::steady_clock::now() - removedAt, 2s);  // not the stall's 3 s
    EXPECT_TRUE(LogRecords("[Upload_Data_Result]").empty());
    EXPECT_TRUE(LogRecords("[COMPLETE_UploadTask]").empty());
    EXPECT_EQ(CountRequests("/app/pc/disk.mkfile.php"), 0u);
}

TEST_F(QueueTest, PausedUploadsResumeAndComplete) {
    UseBlocks(1000);
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 2, .ms = 3000, .after = 100}));
    const std::string first = SampleBytes(4000, 31);
    const std::string second = SampleBytes(4000, 32);
    const int32_t a = Add("a.bin", first);
    const int32_t b = Add("b.bin", second);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return intake::GetTaskView(a)->doneSize > 0 && intake::GetTaskView(b)->doneSize > 0;
        },
        10s));
    intake::PauseAll();
    EXPECT_EQ(WaitForReturns(a), std::vector<int32_t>{intake::kTaskPaused});
    EXPECT_EQ(WaitForReturns(b), std::vector<int32_t>{intake::kTaskPaused});
    EXPECT_EQ(StateOf(a), intake::kTaskPaused);

    intake::ResumeAll();
    EXPECT_EQ(WaitForReturns(a, 2).back(), intake::kTaskComplete);
    EXPECT_EQ(WaitForReturns(b, 2).back(), intake::kTaskComplete);
    EXPECT_EQ(intake::GetTaskView(a)->doneSize, first.size());
    EXPECT_TRUE(ServiceHolds(first));
    EXPECT_TRUE(ServiceHolds(second));
    EXPECT_EQ(RemoteMd5("/b.bin"), Md5Of(second));
    EXPECT_TRUE(LogRecords("TASK_STATE_ERROR").empty());  // a pause is no failure
}

TEST_F(QueueTest, AnUploadResumedBeforeItsRunReturnedRunsAgain) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    const std::string content = SampleBytes(3000, 33);
    {
        std::lock_guard lock(m_Lock);
        m_HoldReturns = true;  // the stopped run may end quickly; it returns only after the resume
    }
    const int32_t id = Add("quick.bin", content);
    ASSERT_TRUE(WaitUntil([&] { return intake::GetTaskView(id)->doneSize > 0; }, 10s));
    intake::PauseAll();
    intake::ResumeAll();
    {
        std::lock_guard lock(m_Lock);
        m_HoldReturns = false;
    }
    m_Released.notify_all();
    const auto runs = WaitForReturns(id, 2);
    EXPECT_EQ(runs.front(), intake::kTaskWaiting);  // not failed: queued again
    EXPECT_EQ(runs.back(), intake::kTaskComplete);
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_TRUE(LogRecords("TASK_STATE_ERROR").empty());
    EXPECT_TRUE(LogRecords("TASK_STATE_TIMEOUT").empty());
}

TEST_F(QueueTest, APauseBetweenTheWorkerTakingTheTaskAndItsStartKeepsItPaused) {
    const std::string content = SampleBytes(3000, 34);
    {
        std::lock_guard lock(m_Lock);
        m_HoldStarts = true;
    }
    const int32_t id = Add("held.bin", content);
    {
        std::unique_lock lock(m_Lock);
        ASSERT_TRUE(m_Returned.wait_for(lock, 10s, [&] { return !m_Taken.empty(); }));
    }
    ASSERT_EQ(StateOf(id), intake::kTaskUploading);  // taken by the worker, not started
    intake::PauseAll();
    {
        std::lock_guard lock(m_Lock);
        m_HoldStarts = false;
    }
    m_Released.notify_all();
    // The run does not start: the task stays paused, nothing is sent, nothing failed.
    EXPECT_EQ(WaitForReturns(id), std::vector<int32_t>{intake::kTaskPaused});
    EXPECT_EQ(StateOf(id), intake::kTaskPaused);
    EXPECT_FALSE(ServiceHolds(content));

    intake::ResumeAll();
    EXPECT_EQ(WaitForReturns(id, 2).back(), intake::kTaskComplete);
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_TRUE(LogRecords("TASK_STATE_ERROR").empty());
}

}  // namespace
}  // namespace upload_test
