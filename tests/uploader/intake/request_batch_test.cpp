#include <string>
#include <vector>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/request_batch.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "platform/event.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"

using namespace intake;
using intake_test::IntakeTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class RequestBatchTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        StartQueue(0);  // tasks are made and queued, no worker runs them
        EnsureMainWindow();
        m_Ui.ClearCalls();
    }

    RequestBatch Batch(int32_t kind, const std::vector<std::string>& names) {
        RequestBatch batch;
        for (const auto& name : names) {
            MakeFile("in/" + name);
            UploadRequestEntry entry;
            EXPECT_TRUE(MakeEntry(kind, PathOf("in"), platform::Utf8ToWide(name), entry));
            batch.push_back(entry);
        }
        return batch;
    }

    void Handle(const RequestBatch& batch) { OnRequestBatch(&batch); }
    static void AllowAnonymousLinks() {
        platform::RegistryKey::Create(settings::kFlingaKey)->WriteDword(settings::kAnonyLink, 1);
    }
};

}  // namespace

TEST_F(RequestBatchTest, LoggedInAnUploadBatchBecomesWaitingTasksInOrder) {
    intake::Session().SetLoggedIn(true);
    Handle(Batch(kUploadRequest, {"b.txt", "a.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("added 2 b.txt", "show mini", "show main", "use 1 1"));
    ASSERT_EQ(TaskIds(), (std::vector<int32_t>{10001, 10002}));
    EXPECT_EQ(GetTaskView(10001)->name, u"b.txt");
    EXPECT_EQ(GetTaskView(10001)->owner, MainWindow());
    EXPECT_EQ(GetTaskView(10002)->state, kTaskWaiting);
    EXPECT_EQ(QueuedTaskCount(), 2u);
    EXPECT_EQ(intake::Session().LibraryUsers(), 1);
    // Pending tasks are counted by the user interface's files-added notice, one per task.
    EXPECT_EQ(intake::Session().PendingCount(), 0);

    // Each new task reached the main window through the progress queue; one message
    // woke it for both.
    Pump();
    EXPECT_EQ(m_Ui.TaskChangedMessages(), 1);
    std::vector<int32_t> changed;
    for (int32_t id; PopChangedTask(id);)
        changed.push_back(id);
    EXPECT_EQ(changed, (std::vector<int32_t>{10001, 10002}));
}

TEST_F(RequestBatchTest, AnEmptyBatchIsIgnored) {
    intake::Session().SetLoggedIn(true);
    Handle(RequestBatch{});
    OnRequestBatch(nullptr);
    EXPECT_THAT(m_Ui.Calls(), IsEmpty());
}

TEST_F(RequestBatchTest, LoggedInShareLinkAndWeiboBatchesOpenTheirWindows) {
    intake::Session().SetLoggedIn(true);
    Handle(Batch(kShareLinkRequest, {"s1.txt", "s2.txt"}));
    Handle(Batch(kWeiboRequest, {"w.jpg"}));
    EXPECT_THAT(m_Ui.Calls(),
                ElementsAre("share account s1.txt,s2.txt", "use 2 1", "weibo w.jpg", "use 3 1"));
    EXPECT_EQ(SecondaryWindows().size(), 2u);
    // The windows count themselves as pending (and down once at close); intake does not.
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
    EXPECT_THAT(TaskIds(), IsEmpty());  // those windows upload for themselves
}

TEST_F(RequestBatchTest, WithoutTheirWindowsShareLinkAndWeiboAreRefusedAndCountNothing) {
    m_Ui.m_LinkWindowsExist = false;
    intake::Session().SetLoggedIn(true);
    Handle(Batch(kShareLinkRequest, {"s.txt"}));
    Handle(Batch(kWeiboRequest, {"w.jpg"}));
    intake::Session().SetLoggedIn(false);
    AllowAnonymousLinks();
    Handle(Batch(kShareLinkRequest, {"u.txt"}));
    EXPECT_THAT(m_Ui.Calls(),
                ElementsAre("share account s.txt", "message 分享链接功能暂不可用|提示",
                            "weibo w.jpg", "message 新浪微博分享功能暂不可用|提示",
                            "share anonymous u.txt", "message 分享链接功能暂不可用|提示"));
    // WM_QUERY_PENDING answers from this count: nothing is left that could lower it.
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_THAT(SecondaryWindows(), IsEmpty());
    EXPECT_THAT(TaskIds(), IsEmpty());
}

TEST_F(RequestBatchTest, AWeiboBatchWhileAPostWindowIsOpenIsDropped) {
    intake::Session().SetLoggedIn(true);
    intake::Session().SetWeiboBusy(true);
    Handle(Batch(kWeiboRequest, {"w.jpg"}));
    EXPECT_THAT(m_Ui.Calls(), IsEmpty());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(RequestBatchTest, OtherKindsAreOnlyCounted) {
    intake::Session().SetLoggedIn(true);
    Handle(Batch(7, {"x.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("use 7 1"));
    EXPECT_THAT(TaskIds(), IsEmpty());
}

TEST_F(RequestBatchTest, WithoutALoginBatchesWaitAndTheLoginDialogOpensOnce) {
    Handle(Batch(kUploadRequest, {"a.txt"}));
    Handle(Batch(kWeiboRequest, {"w.jpg"}));
    Handle(Batch(kUploadRequest, {"b.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("login"));
    EXPECT_TRUE(intake::Session().IsLoginDialogShown());
    EXPECT_EQ(BatchesWaitingForLogin(), 3u);
    EXPECT_NE(LoginWindow(), platform::kNoWindow);
    EXPECT_EQ(SecondaryWindows(), (std::vector<platform::WindowHandle>{LoginWindow()}));
    EXPECT_THAT(TaskIds(), IsEmpty());

    // The login succeeded: the batches come back in order.
    intake::Session().SetLoggedIn(true);
    m_Ui.ClearCalls();
    HandBackWaitingBatches();
    EXPECT_EQ(BatchesWaitingForLogin(), 0u);
    EXPECT_THAT(m_Ui.CallsStartingWith("added"), ElementsAre("added 1 a.txt", "added 1 b.txt"));
    EXPECT_THAT(m_Ui.CallsStartingWith("weibo"), ElementsAre("weibo w.jpg"));
    EXPECT_EQ(TaskIds(), (std::vector<int32_t>{10001, 10002}));
}

TEST_F(RequestBatchTest, WithoutALoginAShareLinkMayBeMadeAnonymously) {
    // Not chosen for good yet: the user is asked; "no" makes the link anonymously.
    Handle(Batch(kShareLinkRequest, {"s.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("ask anonymous", "share anonymous s.txt", "use 2 0"));
    EXPECT_EQ(SecondaryWindows().size(), 1u);

    // OK means: log in first.
    m_Ui.ClearCalls();
    m_Ui.m_AnonymousAnswerOk = true;
    Handle(Batch(kShareLinkRequest, {"t.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("ask anonymous", "login"));
    EXPECT_EQ(BatchesWaitingForLogin(), 1u);

    // Chosen for good: no question.
    m_Ui.ClearCalls();
    AllowAnonymousLinks();
    Handle(Batch(kShareLinkRequest, {"u.txt"}));
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("share anonymous u.txt", "use 2 0"));
}
