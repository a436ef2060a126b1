// The content dialogue end to end against the substitute service: a new file in blocks,
// a file the service holds already, a content check (REQTCON), a resumed upload, a block
// that timed out and was sent again, and a stop in the middle of a block.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

#include "engine_fixture.h"
#include "intake/task_map.h"
#include "net/transport_timings.h"
#include "platform/event.h"
#include "settings/registry_values.h"
#include "upload/driver.h"
#include "upload/result_codes.h"
#include "upload/upload_run.h"

namespace upload_test {
namespace {

using namespace std::chrono_literals;

class BlocksTest : public EngineTest {
protected:
    // Runs the driver on its own thread, as a worker does.
    std::future<int> RunInBackground(intake::UploadContext& task) {
        return std::async(std::launch::async, [&task] { return upload::UploadFile(task); });
    }

    // Waits (at most ten seconds) until the task has sent some content.
    static bool WaitForProgress(const intake::UploadContext& task) {
        return norvel::test::WaitUntil([&] { return task.m_DoneSize > 0; }, 10s);
    }

    // Waits (at most ten seconds) until the service logged so many block requests.
    bool WaitForBlocks(size_t count) {
        return norvel::test::WaitUntil([&] { return CountRequests("/up/up_blk") >= count; }, 10s);
    }

    std::vector<std::string> BlockRanges() {
        std::vector<std::string> ranges;
        for (const auto& request : RequestsTo("/up/up_blk")) {
            const std::string marker = "name=\"kdw_range\"\r\n\r\n";
            const size_t at = request.body.find(marker);
            if (at != std::string::npos)
                ranges.push_back(request.body.substr(
                    at + marker.size(),
                    request.body.find("\r\n", at + marker.size()) - at - marker.size()));
        }
        return ranges;
    }
};

TEST_F(BlocksTest, NewFileGoesInBlocksAndIsRegistered) {
    const std::string content = SampleBytes(10000, 1);
    MakeFile("f.bin", content);
    auto task = MakeTask("f.bin");
    upload::UploadRun run(*task);

    EXPECT_EQ(upload::RunUpload(run), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_EQ(task->m_DoneSize, content.size());
    EXPECT_EQ(task->m_TransferStatus, 0);
    EXPECT_FALSE(task->m_RemotePath.empty());
    EXPECT_EQ(task->m_RemotePath, run.m_RemotePath);
    EXPECT_EQ(run.m_FileEntry.m_Md5, Md5Of(content));
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_EQ(RemoteMd5("/f.bin"), Md5Of(content));

    EXPECT_EQ(CountRequests("/app/pc/sync.upauth.php"), 1u);
    EXPECT_EQ(CountRequests("/up/up_init"), 1u);
    EXPECT_EQ(BlockRanges(), (std::vector<std::string>{"0-4095", "4096-8191", "8192-9999"}));
    EXPECT_EQ(BlockBytesSent(), content.size());
    EXPECT_EQ(CountRequests("/app/pc/disk.mkfile.php"), 1u);
    EXPECT_EQ(LogRecords("UploadStatus=TASK_STATE_COMPLETE").size(), 1u);
}

TEST_F(BlocksTest, AFileTheServiceHoldsSendsNoContentAndReusesTheTicket) {
    const std::string content = SampleBytes(6000, 2);
    MakeFile("first.bin", content);
    MakeFile("again.bin", content);
    auto first = MakeTask("first.bin");
    ASSERT_EQ(upload::UploadFile(*first), upload::kUploadOk);
    m_Service->ClearRequests();

    auto again = MakeTask("again.bin");
    EXPECT_EQ(upload::UploadFile(*again), upload::kUploadOk);
    EXPECT_EQ(again->m_State, intake::kTaskComplete);
    EXPECT_EQ(again->m_DoneSize, content.size());
    EXPECT_EQ(again->m_RemotePath, first->m_RemotePath);
    EXPECT_EQ(CountRequests("/app/pc/sync.upauth.php"), 0u);  // the ticket is kept
    EXPECT_EQ(CountRequests("/up/up_init"), 1u);
    EXPECT_EQ(CountRequests("/up/up_blk"), 0u);
    EXPECT_EQ(RemoteMd5("/again.bin"), Md5Of(content));
}

TEST_F(BlocksTest, AContentCheckIsAnsweredWithTheDigestOfTheRangeAsked) {
    const std::string content = SampleBytes(9000, 3);
    MakeFile("held.bin", content);
    MakeFile("check.bin", content);
    auto held = MakeTask("held.bin");
    ASSERT_EQ(upload::UploadFile(*held), upload::kUploadOk);
    ASSERT_TRUE(m_Service->SetSwitch("proof", "always"));
    m_Service->ClearRequests();

    auto task = MakeTask("check.bin");
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_EQ(task->m_DoneSize, content.size());
    EXPECT_EQ(task->m_Stage, 0);  // 3 only while the fast upload runs
    const auto retcon = RequestsTo("/up/up_retcon");
    ASSERT_EQ(retcon.size(), 1u);
    EXPECT_EQ(CountRequests("/up/up_blk"), 0u);
    // The digest sent is the MD5 of the bytes of the range the service named.
    const std::string& body = retcon[0].body;
    const size_t rangeAt = body.find("kdw_range=") + 10;
    const std::string range = body.substr(rangeAt, body.find('&', rangeAt) - rangeAt);
    const uint64_t start = std::stoull(range.substr(0, range.find('-')));
    const uint64_t end = std::stoull(range.substr(range.find('-') + 1));
    EXPECT_NE(body.find("&kdw_fcon=" + Md5Of(content.substr(start, end - start + 1)) + "&"),
              std::string::npos);
    EXPECT_EQ(RemoteMd5("/check.bin"), Md5Of(content));
}

TEST_F(BlocksTest, AnInterruptedUploadResumesFromWhatTheServiceHolds) {
    UseBlocks(1000);
    ASSERT_TRUE(m_Service->SetFault({.kind = "delay", .path = "/up/up_blk", .count = 0, .ms = 50}));
    const std::string content = SampleBytes(12000, 4);
    MakeFile("resume.bin", content);
    auto task = MakeTask("resume.bin");
    auto run = RunInBackground(*task);
    ASSERT_TRUE(WaitForBlocks(3));
    intake::PulseStopEvent(*task);  // the connection goes away in the middle
    EXPECT_NE(run.get(), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskFailed);
    const size_t firstRun = BlockRanges().size();
    ASSERT_LT(firstRun, 12u);

    ASSERT_TRUE(m_Service->ClearFaults());
    ASSERT_TRUE(intake::SetTaskState(*task, intake::kTaskWaiting));  // the user retries
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_EQ(task->m_DoneSize, content.size());
    EXPECT_TRUE(ServiceHolds(content));
    // The retry goes on from what the service holds: the first block is never sent again,
    // and only the block in flight at the stop may have gone out twice. (The service may
    // log that block after the retry's blocks: it was still being served when the retry began.)
    const auto ranges = BlockRanges();
    ASSERT_GT(ranges.size(), firstRun);
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "0-999"), 1);
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "11000-11999"), 1);
    EXPECT_LE(ranges.size(), 13u);
}

TEST_F(BlocksTest, ABlockThatTimedOutIsSentAgainAfterTheWait) {
    UseBlocks(1000);
    net::TransportTimings timings = ShortTimings();
    timings.uploadTimeoutMs = 300;
    net::SetTransportTimings(timings);
    // The service reads the first block whole and then keeps silent.
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 1500, .after = 1 << 20}));
    const std::string content = SampleBytes(3000, 5);
    MakeFile("slow.bin", content);
    auto task = MakeTask("slow.bin");

    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_TRUE(LogRecords("[UPLOAD_Block]").empty());
    // The stalled request is logged when the service gives up on it.
    ASSERT_TRUE(WaitForBlocks(4));
    const auto ranges = BlockRanges();
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "0-999"), 2);  // the same block again
    EXPECT_EQ(ranges.size(), 4u);
}

// Blocks go on the connection the upload keeps. When the service closes it without an
// answer, the block goes again at once on a connection of its own and the upload
// completes; a block closed unanswered on a connection of its own fails the upload.
TEST_F(BlocksTest, ABlockWhoseKeptConnectionClosesUnansweredGoesAgainAtOnce) {
    UseBlocks(1000);
    ASSERT_TRUE(m_Service->SetFault({.kind = "close", .path = "/up/up_blk", .count = 1}));
    const std::string content = SampleBytes(3000, 9);
    MakeFile("kept.bin", content);
    auto task = MakeTask("kept.bin");

    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_TRUE(LogRecords("[UPLOAD_Block]").empty());
    // The closed request is logged without its body, which the service did not read.
    EXPECT_EQ(CountRequests("/up/up_blk"), 4u);
    EXPECT_EQ(BlockRanges(), (std::vector<std::string>{"0-999", "1000-1999", "2000-2999"}));

    m_Service->ClearRequests();
    ASSERT_TRUE(m_Service->SetFault({.kind = "close", .path = "/up/up_blk", .count = 2}));
    MakeFile("twice.bin", SampleBytes(3000, 10));
    auto twice = MakeTask("twice.bin");
    EXPECT_NE(upload::UploadFile(*twice), upload::kUploadOk);
    EXPECT_EQ(CountRequests("/up/up_blk"), 2u);
}

TEST_F(BlocksTest, AStopInTheMiddleOfABlockEndsTheRunAtOnceWithoutAnOutcome) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 2000, .after = 100}));
    const std::string content = SampleBytes(8000, 6);
    MakeFile("removed.bin", content);
    auto task = MakeTask("removed.bin");
    task->m_State = intake::kTaskUploading;
    auto run = RunInBackground(*task);
    ASSERT_TRUE(WaitForProgress(*task));  // the block went out; its answer is awaited
    const auto stoppedAt = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(intake::TaskLock());  // as the queue removes a running task
        task->m_State = intake::kTaskCancelled;
        intake::PulseStopEvent(*task);
    }
    EXPECT_NE(run.get(), upload::kUploadOk);
    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, 1s);
    EXPECT_EQ(task->m_State, intake::kTaskCancelled);
    EXPECT_TRUE(LogRecords("[Upload_Data_Result]").empty());
    EXPECT_EQ(CountRequests("/app/pc/disk.mkfile.php"), 0u);
    EXPECT_FALSE(task->m_hStopEvent->IsSet());  // reset for a later run
}

TEST_F(BlocksTest, AFileThatShrinksOrVanishesDuringTheUploadFailsClearly) {
    UseBlocks(1000);
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "delay", .path = "/up/up_blk", .count = 0, .ms = 100}));
    const std::string content = SampleBytes(10000, 40);
    MakeFile("shrinks.bin", content);
    auto shrinks = MakeTask("shrinks.bin");
    auto run = RunInBackground(*shrinks);
    ASSERT_TRUE(WaitForProgress(*shrinks));
    ASSERT_EQ(::truncate(m_Dir.File("shrinks.bin").c_str(), 2500), 0);
    EXPECT_EQ(run.get(), upload::kUploadFailed);
    EXPECT_EQ(shrinks->m_State, intake::kTaskFailed);
    EXPECT_EQ(LogRecords("DESC=UploadBlock file changed during the upload!").size(), 1u);
    EXPECT_LT(BlockRanges().size(), 10u);

    MakeFile("vanishes.bin", content);
    auto vanishes = MakeTask("vanishes.bin");
    run = RunInBackground(*vanishes);
    ASSERT_TRUE(WaitForProgress(*vanishes));
    std::filesystem::remove(m_Dir.File("vanishes.bin"));
    EXPECT_EQ(run.get(), upload::kFileNotFound);
    EXPECT_EQ(vanishes->m_State, intake::kTaskFileMissing);
    EXPECT_EQ(StoredContent(Md5Of(content)), "");
}

// The block after the one going out is read ahead; a file rewritten meanwhile (same size,
// other bytes) must fail rather than send the bytes read before the change.
TEST_F(BlocksTest, AFileRewrittenWhileABlockIsAwaitedSendsNothingReadBeforeTheChange) {
    UseBlocks(1000);
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "delay", .path = "/up/up_blk", .count = 0, .ms = 100}));
    const std::string content = SampleBytes(5000, 42);
    MakeFile("rewritten.bin", content);
    auto task = MakeTask("rewritten.bin");
    auto run = RunInBackground(*task);
    ASSERT_TRUE(WaitForProgress(*task));  // the first block went out, the second is read ahead
    {
        std::fstream file(m_Dir.File("rewritten.bin"),
                          std::ios::in | std::ios::out | std::ios::binary);
        const std::string other = SampleBytes(content.size(), 43);
        file.write(other.data(), std::streamsize(other.size()));
    }
    EXPECT_EQ(run.get(), upload::kUploadFailed);
    EXPECT_EQ(task->m_State, intake::kTaskFailed);
    EXPECT_EQ(LogRecords("DESC=UploadBlock file changed during the upload!").size(), 1u);
    EXPECT_EQ(BlockRanges().size(), 1u);
    EXPECT_EQ(StoredContent(Md5Of(content)), "");
}

TEST_F(BlocksTest, UnderASpeedCapTheContentGoesNoFasterThanTheLimit) {
    UseBlocks(1 << 20);
    settings::WriteString(settings::kNorvelKey, settings::kLimitSpeed,
                          u"40;0");  // 40960 bytes a second
    const std::string content = SampleBytes(30000, 41);
    MakeFile("capped.bin", content);
    auto task = MakeTask("capped.bin");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 650ms);  // 30000 bytes take 0.73 s
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_TRUE(ServiceHolds(content));
}

}  // namespace
}  // namespace upload_test
