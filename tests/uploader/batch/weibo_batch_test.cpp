// Weibo batches against the substitute service: the files upload to the account, the
// first picture that arrived becomes the post's picture, the link and the post carry it;
// a batch without an uploaded file makes no link; a failure for lack of space is noted;
// a stop while the post is on its way ends the batch.

#include <atomic>
#include <chrono>
#include <thread>

#include "actions/weibo_action.h"
#include "batch/weibo_batch.h"
#include "engine_fixture.h"
#include "intake/request_entry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "upload/result_codes.h"

namespace upload_test {
namespace {

using namespace std::chrono_literals;
using batch::WeiboBatch;
using norvel::test::WaitUntil;

class WeiboBatchTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PointLinkHostsAtService();
    }

    intake::RequestBatch Request(std::initializer_list<std::pair<const char*, std::string>> files) {
        return MakeRequest(intake::kWeiboRequest, files);
    }

    batch::WeiboBatchOptions Options(batch::FileDriver driver = {}) {
        batch::WeiboBatchOptions options;
        options.worker.driver = std::move(driver);
        options.worker.pauseBetweenFiles = 1ms;
        options.done = [this](int kind, int result) {
            (kind == 5 ? m_LinkReports : m_PostReports) += 1;
            m_LastResult = result;
        };
        return options;
    }

    // Binds alice's account as the binding page's button does.
    void Bind() {
        std::string url;
        ASSERT_EQ(actions::BindWeibo(url), 0);
        ASSERT_EQ(
            m_Service->Post("/weibo/bind", "code=" + url.substr(url.find("code=") + 5)).status,
            200);
        ASSERT_EQ(actions::QueryWeiboAccount(1ms).result, 0);
    }

    static bool PassOver(const WeiboBatch& batch) {
        std::lock_guard lock(batch.Worker().Lock());
        const auto& w = batch.Worker();
        return w.DoneCountLocked() + w.FailedLocked().size() == w.FileCountLocked() &&
               w.CurrentTaskLocked() == -1;
    }

    std::atomic<int> m_LinkReports{0}, m_PostReports{0}, m_LastResult{-1};
};

TEST_F(WeiboBatchTest, TheFirstPictureThatArrivedGoesWithTheLinkAndThePost) {
    Bind();
    WeiboBatch batch(Request({{"a.txt", SampleBytes(3000, 1)},
                              {"b.PNG", SampleBytes(4000, 2)},
                              {"c.jpg", SampleBytes(5000, 3)}}),
                     platform::kNoWindow, Options());
    EXPECT_EQ(batch.SendPost("x"), -1);  // no link yet
    batch.Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    EXPECT_EQ(batch.AccountPaths(),
              (std::vector<std::u16string>{u"/我收到的文件/a.txt", u"/我收到的文件/b.PNG",
                                           u"/我收到的文件/c.jpg"}));
    const std::string picture = batch.Picture();
    ASSERT_EQ(picture.rfind("/f/", 0), 0u) << picture;  // b.PNG's upload address
    EXPECT_FALSE(batch.SpaceFailure());

    // The link request is held a while, so the second call surely finds it on its way.
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "delay", .path = "/app/pc/createlink.php", .count = 1, .ms = 300}));
    ASSERT_EQ(batch.CreateWeiboLink(true, false), 0);
    EXPECT_EQ(batch.CreateWeiboLink(true, false), -1);  // one at a time
    ASSERT_TRUE(WaitUntil([&] { return m_LinkReports == 1; }));
    EXPECT_EQ(m_LastResult.load(), 0);
    const batch::WeiboLink link = batch.Link();
    ASSERT_EQ(link.code, 0);
    ASSERT_EQ(link.url.rfind(m_Service->BaseUrl() + "/s/", 0), 0u) << link.url;
    const auto linkBodies = RequestsTo("/app/pc/createlink.php");
    ASSERT_EQ(linkBodies.size(), 1u);
    const std::string body(linkBodies[0].body.begin(), linkBodies[0].body.end());
    EXPECT_NE(body.find("form=sina_weibo_external_link"), std::string::npos) << body;
    EXPECT_NE(body.find(R"("sina_weibo_retweet" : "true")"), std::string::npos) << body;
    EXPECT_NE(body.find(R"("sina_weibo_follow" : "false")"), std::string::npos) << body;
    EXPECT_NE(body.find(R"("sina_weibo_screen_name" : "norvel_alice")"), std::string::npos);

    ASSERT_EQ(batch.SendPost(platform::WideToAnsi(u"分享了文件“a.txt”")), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_PostReports == 1; }));
    EXPECT_EQ(m_LastResult.load(), 1);
    const auto posts = m_Service->Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].at("content"), "分享了文件“a.txt”");
    EXPECT_EQ(posts[0].at("pic"), picture);
    EXPECT_EQ(posts[0].at("resource_url"), link.url);
    EXPECT_EQ(posts[0].at("msgid"), batch.Post().messageId);
}

TEST_F(WeiboBatchTest, NoFileArrivedMeansNoLinkAndASpaceFailureIsNoted) {
    settings::SetMaxFileSize(u"1000");
    // The second file fails for lack of space as the engine reports it.
    auto driver = [](intake::UploadContext& task) {
        batch::SetBatchTaskState(task, intake::kTaskDiskFull);
        return upload::kDiskFull;
    };
    WeiboBatch batch(Request({{"big.png", SampleBytes(3000, 4)}, {"small.gif", "gif"}}),
                     platform::kNoWindow, Options(driver));
    EXPECT_TRUE(batch.SpaceFailure());  // big.png is above the account's largest file
    batch.Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(batch); }));
    EXPECT_EQ(batch.Worker().FailedTasks().size(), 2u);
    EXPECT_TRUE(batch.Picture().empty());
    EXPECT_EQ(batch.CreateWeiboLink(false, false), -1);
    EXPECT_TRUE(batch::IsSpaceResult(4005));
    EXPECT_FALSE(batch::IsSpaceResult(upload::kNoReply));
    EXPECT_TRUE(batch::IsPostPicture(u"x.Jpg"));
    EXPECT_FALSE(batch::IsPostPicture(u"jpg"));
    EXPECT_FALSE(batch::IsPostPicture(u"x.jpeg"));
}

TEST_F(WeiboBatchTest, AStopWhileThePostIsOnItsWayEndsTheBatch) {
    Bind();
    auto batch = std::make_unique<WeiboBatch>(Request({{"p.gif", SampleBytes(2000, 5)}}),
                                              platform::kNoWindow, Options());
    batch->Start();
    ASSERT_TRUE(WaitUntil([&] { return PassOver(*batch); }));
    ASSERT_EQ(batch->CreateWeiboLink(false, true), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_LinkReports == 1; }));
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "delay", .path = "/app/pc/sina_weibo.php", .count = 1, .ms = 300}));
    ASSERT_EQ(batch->SendPost("text"), 0);
    EXPECT_TRUE(batch->Busy());
    EXPECT_EQ(batch->CreateWeiboLink(false, true), -1);  // not while a post is on its way
    batch->StopBatch();
    EXPECT_EQ(batch->SendPost("again"), -1);
    batch.reset();  // waits for the worker
    m_Service->ClearFaults();
}

}  // namespace
}  // namespace upload_test
