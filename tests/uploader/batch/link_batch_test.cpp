// Share-link batches end to end against the substitute service: the files upload one
// after another on the batch's thread, the link's page lists them and serves their
// bytes; refused and failed files are left out of the link; a stop cancels the running
// upload at once and the batch is freed only after its worker has ended.

#include <atomic>
#include <chrono>
#include <thread>

#include "batch/link_batch.h"
#include "engine_fixture.h"
#include "intake/request_entry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/http_client.h"
#include "support/test_env.h"
#include "upload/driver.h"

namespace upload_test {
namespace {

using namespace std::chrono_literals;
using batch::LinkBatch;
using norvel::test::WaitUntil;

class LinkBatchTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PointLinkHostsAtService();
    }

    intake::RequestBatch Request(std::initializer_list<std::pair<const char*, std::string>> files) {
        return MakeRequest(intake::kShareLinkRequest, files);
    }

    batch::LinkBatchOptions Options(batch::FileDriver driver = {}) {
        batch::LinkBatchOptions options;
        options.worker.driver = std::move(driver);
        options.worker.pauseBetweenFiles = 1ms;
        options.linkDone = [this] { ++m_LinkReports; };
        return options;
    }

    static bool PassOver(const LinkBatch& batch) {
        const batch::LinkProgress p = batch.Progress();
        return p.doneCount + p.failedCount == p.fileCount;
    }

    // Makes the link and returns its address below the service ("/s/<code>").
    std::string MakeLink(LinkBatch& batch) {
        batch.CreateLink();
        EXPECT_TRUE(WaitUntil([&] { return batch.Link().ended; }));
        const batch::LinkResult link = batch.Link();
        EXPECT_EQ(link.code, 0);
        EXPECT_EQ(m_LinkReports.load(), 1);
        const std::string base = m_Service->BaseUrl();
        EXPECT_EQ(link.url.rfind(base, 0), 0u) << link.url;
        return link.url.substr(base.size());
    }

    norvel::test::HttpResponse Fetch(const std::string& target) {
        norvel::test::HttpRequest request;
        request.method = "GET";
        request.port = m_Service->Port();
        request.target = target;
        return norvel::test::SendHttp(request);
    }

    std::atomic<int> m_LinkReports{0};
};

TEST_F(LinkBatchTest, TwoFilesOfAnAccountGiveALinkToBoth) {
    const std::string a = SampleBytes(9000, 1), b = SampleBytes(5000, 2);
    LinkBatch batch(Request({{"report a.txt", a}, {"clip.MKV", b}}), platform::kNoWindow, true,
                    Options());
    EXPECT_EQ(batch.Progress().totalBytes, 14000u);
    batch.Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    EXPECT_EQ(batch.Progress().doneCount, 2u);
    EXPECT_EQ(batch.Progress().bytesDone, 14000u);
    EXPECT_TRUE(batch.MediaFlag());
    EXPECT_EQ(batch.AccountPaths(), (std::vector<std::u16string>{u"/我收到的文件/report a.txt",
                                                                 u"/我收到的文件/clip.MKV"}));
    EXPECT_TRUE(batch.AnonymousFiles().empty());

    const std::string page = MakeLink(batch);
    const auto listing = Fetch(page);
    ASSERT_EQ(listing.status, 200);
    EXPECT_NE(listing.body.find("report a.txt"), std::string::npos);
    EXPECT_NE(listing.body.find("clip.MKV"), std::string::npos);
    EXPECT_EQ(Fetch(page + "/0").body, a);
    EXPECT_EQ(Fetch(page + "/1").body, b);
}

TEST_F(LinkBatchTest, AnAnonymousBatchLinksTheUploadedContents) {
    const std::string a = SampleBytes(7000, 3), b = SampleBytes(300, 4);
    LinkBatch batch(Request({{"x.bin", a}, {"y.txt", b}}), platform::kNoWindow, false, Options());
    batch.Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    EXPECT_FALSE(batch.MediaFlag());
    EXPECT_TRUE(batch.AccountPaths().empty());
    const auto files = batch.AnonymousFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].first, u"x.bin");
    EXPECT_FALSE(files[0].second.empty());                    // the upload address
    EXPECT_EQ(CountRequests("/app/pc/disk.mkfile.php"), 0u);  // nothing on an account's disk

    const std::string page = MakeLink(batch);
    const auto listing = Fetch(page);
    ASSERT_EQ(listing.status, 200);
    EXPECT_NE(listing.body.find("x.bin"), std::string::npos);
    EXPECT_NE(listing.body.find("y.txt"), std::string::npos);
    EXPECT_EQ(Fetch(page + "/0").body, a);
    EXPECT_EQ(Fetch(page + "/1").body, b);
}

TEST_F(LinkBatchTest, RefusedAndFailedFilesAreListedAndTheLinkTakesTheRest) {
    settings::SetMaxFileSize(u"20000");
    // The middle file's blocks are refused while it uploads.
    auto driver = DriverFailingBlocksOf(u"broken.dat");
    const std::string good = SampleBytes(6000, 7);
    LinkBatch batch(Request({{"huge.iso", SampleBytes(30000, 5)},
                             {"broken.dat", SampleBytes(12000, 6)},
                             {"good.txt", good}}),
                    platform::kNoWindow, true, Options(driver));
    batch.Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    const auto failed = batch.FailedTasks();
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[0].fileName, u"huge.iso");
    EXPECT_EQ(failed[0].state, intake::kTaskTooLarge);
    EXPECT_EQ(failed[0].size, 30000u);
    EXPECT_EQ(failed[1].fileName, u"broken.dat");
    EXPECT_GE(failed[1].state, intake::kTaskFailed);
    EXPECT_NE(failed[1].state, intake::kTaskCancelled);
    EXPECT_EQ(batch.Progress().doneCount, 1u);
    EXPECT_EQ(CountRequests("/up/up_init"), 2u);  // the refused file sent nothing

    const std::string page = MakeLink(batch);
    const auto listing = Fetch(page);
    EXPECT_NE(listing.body.find("good.txt"), std::string::npos);
    EXPECT_EQ(listing.body.find("broken.dat"), std::string::npos);
    EXPECT_EQ(Fetch(page + "/0").body, good);
}

TEST_F(LinkBatchTest, AStopCancelsTheRunningUploadAtOnceAndTheBatchWaitsForItsWorker) {
    // The first block stops being read for 3 s: the upload is stuck in a network wait.
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    std::atomic<int> started{0};
    std::atomic<int> lastResult{-100};
    auto driver = [&](intake::UploadContext& task) {
        ++started;
        const int result = upload::UploadFile(task);
        lastResult = result;
        return result;
    };
    auto batch = std::make_unique<LinkBatch>(
        Request({{"one.bin", SampleBytes(20000, 8)}, {"two.bin", SampleBytes(20000, 9)}}),
        platform::kNoWindow, true, Options(driver));
    batch->Start();
    ASSERT_TRUE(WaitUntil([&] { return batch->Progress().bytesDone > 0; }));
    const auto current = batch->Progress().current;
    EXPECT_EQ(current.fileName, u"one.bin");
    EXPECT_EQ(current.state, intake::kTaskUploading);

    const auto begin = std::chrono::steady_clock::now();
    batch->StopBatch();
    batch.reset();                                            // waits for the worker
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);  // not the stall's 3 s
    EXPECT_EQ(started.load(), 1);                             // the second file never started
    EXPECT_NE(lastResult.load(), 0);
    m_Service->ClearFaults();
}

TEST_F(LinkBatchTest, DestroyingARunningBatchStopsItToo) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    auto batch = std::make_unique<LinkBatch>(Request({{"z.bin", SampleBytes(20000, 10)}}),
                                             platform::kNoWindow, true, Options());
    batch->Start();
    ASSERT_TRUE(WaitUntil([&] { return batch->Progress().bytesDone > 0; }));
    const auto begin = std::chrono::steady_clock::now();
    batch.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    m_Service->ClearFaults();
}

TEST_F(LinkBatchTest, APausedBatchStartsNoFurtherFileUntilResumed) {
    std::atomic<int> runs{0};
    auto driver = [&](intake::UploadContext& task) {
        ++runs;
        batch::SetBatchTaskState(task, intake::kTaskComplete);
        return 0;
    };
    LinkBatch batch(Request({{"p.txt", "p"}, {"q.txt", "q"}}), platform::kNoWindow, true,
                    Options(driver));
    batch.Pause(true);
    batch.Start();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(runs.load(), 0);
    EXPECT_TRUE(batch.Progress().paused);
    batch.Pause(false);
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    EXPECT_EQ(runs.load(), 2);
    // The link request after a stop does nothing.
    batch.StopBatch();
    batch.CreateLink();
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(batch.Link().ended);
}

}  // namespace
}  // namespace upload_test
