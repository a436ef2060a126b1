#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <atomic>
#include <chrono>
#include <memory>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/event.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "ui/qt_message_loop.h"
#include "ui_test_support.h"

using namespace intake;
using ::testing::ElementsAre;
using ui::CTaskWinContainer;
using ui::RowPart;
using ui_test::UiTest;

namespace {

class ContainerTest : public UiTest {
protected:
    // Clicks a part of the row at a display index, as the user does.
    void ClickPart(int index, RowPart part) {
        const int32_t id = Rows().DisplayOrder()[static_cast<size_t>(index)];
        const QRect box = Rows().Row(id)->PartRect(part, Rows().RowWidth());
        ASSERT_FALSE(box.isEmpty());
        const QPoint at = box.center() + Rows().RowRect(index).topLeft();
        QTest::mouseMove(&Rows(), at);
        QTest::mouseClick(&Rows(), Qt::LeftButton, {}, at);
    }

    void Wheel(int delta) {
        const QPoint at(100, 100);
        QWheelEvent event(at, Rows().mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&Rows(), &event);
    }

    void Key(Qt::Key key) { QTest::keyClick(&Rows(), key); }
};

// A window that records the owner notifications it gets.
struct FakeOwner {
    explicit FakeOwner(int32_t kind) {
        handle = platform::RegisterWindow(ui::QtLoop(), [this](uint32_t message, platform::WParam w,
                                                               platform::LParam l) {
            if (message == WM_TASK_CHANGED) {
                const auto* update = reinterpret_cast<const ui::CTaskUpdate*>(l);
                calls.push_back("changed " + std::to_string(w) + " " +
                                std::to_string(update->taskId) + " " +
                                std::to_string(update->state));
            } else if (message == WM_USERINFO_DONE) {
                calls.push_back(std::to_string(w) + " " +
                                platform::WideToUtf8(*reinterpret_cast<const std::u16string*>(l)));
            }
            return 0;
        });
        platform::SetWindowProperty(handle, std::u16string(ui::kOwnerKindProperty), kind);
    }
    ~FakeOwner() { platform::DestroyWindow(handle); }

    platform::WindowHandle handle;
    std::vector<std::string> calls;
};

ui::CTaskUpdate Owned(int32_t id, int32_t state, const FakeOwner& owner, int32_t kind) {
    ui::CTaskUpdate update;
    update.taskId = id;
    update.state = state;
    update.name = u"a.jpg";
    update.totalSize = 10;
    update.ownerKind = kind;
    update.ownerWnd = owner.handle;
    update.remoteUrl = u"http://x/s/1";
    update.length = 7;
    update.linkId = 9;
    return update;
}

}  // namespace

TEST_F(ContainerTest, SevenRowsBringTheScrollBarAndRemovingOneTakesItAwayAndScrollsUp) {
    AddTasks(6);
    EXPECT_FALSE(Rows().ScrollBarShown());
    EXPECT_EQ(Rows().RowWidth(), 230 + 18);
    EXPECT_EQ(Rows().RowRect(0), QRect(0, -4, 248, 56));
    EXPECT_EQ(Rows().RowRect(1).top(), 48);
    AddTasks(1);
    EXPECT_TRUE(Rows().ScrollBarShown());
    EXPECT_EQ(Rows().RowWidth(), 230);
    EXPECT_EQ(Rows().TrackRect(), QRect(249 - 15, 0, 10, 310));
    Rows().ScrollTo(5);
    EXPECT_EQ(Rows().FirstVisible(), 1);  // at most Count() - 6
    EXPECT_EQ(Rows().RowRect(1).top(), -4);

    platform::SendMessage(Rows().Handle(), WM_TASK_REMOVE, 10007);
    EXPECT_EQ(Rows().Count(), 6);
    EXPECT_FALSE(Rows().ScrollBarShown());
    EXPECT_EQ(Rows().FirstVisible(), 0);
    EXPECT_EQ(Rows().RowWidth(), 248);
}

TEST_F(ContainerTest, RemoveAndRetryReachTheQueue) {
    const std::vector<int32_t> ids = AddTasks(3);
    ClickPart(0, RowPart::Remove);
    EXPECT_FALSE(Rows().HasRow(ids[0]));
    EXPECT_FALSE(GetTaskView(ids[0]));          // gone from the task map
    EXPECT_EQ(m_Ui->Counters().Get().done, 1);  // given up: finished
    EXPECT_EQ(intake::Session().PendingCount(), 2);

    ReportAndShow(ids[1], kTaskTimeout);
    EXPECT_EQ(m_Ui->Counters().Get().fail, 1);
    const size_t queued = QueuedTaskCount();
    ClickPart(0, RowPart::Retry);
    EXPECT_EQ(Rows().Row(ids[1])->State(), kTaskWaiting);
    EXPECT_EQ(GetTaskView(ids[1])->state, kTaskWaiting);
    EXPECT_EQ(QueuedTaskCount(), queued + 1);
    EXPECT_EQ(m_Ui->Counters().Get().fail, 0);
    EXPECT_FALSE(m_Ui->Counters().Get().hadFailure);
    EXPECT_EQ(intake::Session().PendingCount(), 2);
    // Only failed rows are retried.
    EXPECT_EQ(platform::SendMessage(Rows().Handle(), WM_TASK_RETRY,
                                    static_cast<platform::WParam>(ids[2])),
              0);
}

TEST_F(ContainerTest, ARetryClickedWhileTheRunStillReturnsShowsWhatTheQueueDid) {
    // One worker; the first run fails and is held before it returns, the second succeeds.
    // Shared with the driver, which may outlive a test that ends early.
    struct Run {
        platform::Event failed{platform::Event::ResetMode::Manual};
        platform::Event release{platform::Event::ResetMode::Manual};
        std::atomic<int> runs{0};
    };
    const auto run = std::make_shared<Run>();
    SetPauseAfterTask(std::chrono::milliseconds(0));
    SetUploadDriver([run](UploadContext& task) {
        const bool first = ++run->runs == 1;
        SetTaskState(task, first ? kTaskTimeout : kTaskComplete);
        NotifyTask(task.m_TaskId, task.m_hOwnerWnd);
        if (first) {
            run->failed.Set();
            static_cast<void>(run->release.Wait(10000));
        }
        return 0;
    });
    const std::vector<int32_t> ids = AddTasks(1);
    StartQueue(1);
    ASSERT_TRUE(run->failed.Wait(10000));
    ASSERT_TRUE(WaitFor([&] { return Rows().Row(ids[0])->State() == kTaskTimeout; }));
    ASSERT_EQ(m_Ui->Counters().Get().fail, 1);

    ClickPart(0, RowPart::Retry);
    // The queue keeps the retry for the end of the run: the row still shows the failure.
    EXPECT_EQ(Rows().Row(ids[0])->State(), kTaskTimeout);
    EXPECT_EQ(m_Ui->Counters().Get().fail, 1);

    run->release.Set();
    ASSERT_TRUE(WaitFor([&] { return Rows().Row(ids[0])->State() == kTaskComplete; }));
    EXPECT_EQ(run->runs.load(), 2);
    const ui::CBatchCounters::Snapshot counts = m_Ui->Counters().Get();
    EXPECT_EQ(counts.fail, 0);
    EXPECT_EQ(counts.done, 1);
    EXPECT_EQ(counts.Open(), 0);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    StopQueue();
    SetUploadDriver(nullptr);
    SetPauseAfterTask(std::chrono::milliseconds(500));
}

TEST_F(ContainerTest, RemovingTheOnlyFailureClearsTheFailureFlag) {
    const std::vector<int32_t> ids = AddTasks(2);
    ReportAndShow(ids[0], kTaskFailed);
    ASSERT_TRUE(m_Ui->Counters().Get().hadFailure);
    platform::SendMessage(Rows().Handle(), WM_TASK_REMOVE, static_cast<platform::WParam>(ids[0]));
    const ui::CBatchCounters::Snapshot counts = m_Ui->Counters().Get();
    EXPECT_FALSE(counts.hadFailure);
    EXPECT_EQ(counts.fail, 0);
    EXPECT_EQ(counts.done, 1);
    EXPECT_EQ(counts.Open(), 1);
    // Removing a finished task counts nothing more.
    ReportAndShow(ids[1], kTaskComplete);
    platform::SendMessage(Rows().Handle(), WM_TASK_REMOVE, static_cast<platform::WParam>(ids[1]));
    EXPECT_EQ(m_Ui->Counters().Get().done, 2);
}

TEST_F(ContainerTest, ATaskWhoseIdHasARowAlreadyChangesNothing) {
    const std::vector<int32_t> ids = AddTasks(1);
    ui::CTaskUpdate again;
    again.taskId = ids[0];
    again.state = kTaskTooLarge;
    EXPECT_EQ(Rows().AddTask(again), 0);
    EXPECT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Row(ids[0])->State(), kTaskWaiting);
    EXPECT_EQ(m_Ui->Counters().Get().fail, 0);
}

TEST_F(ContainerTest, ARefusedTaskIsAFailureTheMomentItsRowAppears) {
    settings::SetMaxFileSize(u"3");
    const std::vector<int32_t> ids = AddTasks(1);  // "content of f1.txt" is larger
    EXPECT_EQ(Rows().Row(ids[0])->State(), kTaskTooLarge);
    EXPECT_EQ(m_Ui->Counters().Get().fail, 1);
    EXPECT_TRUE(Rows().FailedFirst());  // the only task of its batch failed
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(ContainerTest, TheWheelKeysTrackAndThumbScrollWithinTheRows) {
    AddTasks(20);
    EXPECT_EQ(CTaskWinContainer::Thumb(20, 0).height, 290 / (20 / 6 + 1));
    EXPECT_EQ(Rows().ThumbRect(), QRect(249 - 15 - 5, 10, 20, 72));
    Wheel(-120);
    EXPECT_EQ(Rows().FirstVisible(), 1);
    Wheel(-60);
    Wheel(-60);
    EXPECT_EQ(Rows().FirstVisible(), 2);
    Key(Qt::Key_Down);
    EXPECT_EQ(Rows().FirstVisible(), 3);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Rows().FirstVisible(), 9);
    Key(Qt::Key_PageDown);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Rows().FirstVisible(), 14);  // 20 - 6
    EXPECT_EQ(Rows().ThumbRect().bottom(), 10 + 290 - 1);
    Key(Qt::Key_Up);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rows().FirstVisible(), 7);
    Wheel(240 * 5);
    EXPECT_EQ(Rows().FirstVisible(), 0);

    // A click on the track below the thumb pages down; dragging the thumb follows it.
    const QRect thumb = Rows().ThumbRect();
    QTest::mouseClick(&Rows(), Qt::LeftButton, {}, QPoint(thumb.center().x(), 250));
    EXPECT_EQ(Rows().FirstVisible(), 6);
    const QRect moved = Rows().ThumbRect();
    QTest::mousePress(&Rows(), Qt::LeftButton, {}, moved.center());
    QTest::mouseMove(&Rows(), QPoint(moved.center().x(), 300));
    EXPECT_EQ(Rows().FirstVisible(), 14);
    QTest::mouseMove(&Rows(), QPoint(moved.center().x(), 0));
    EXPECT_EQ(Rows().FirstVisible(), 0);
    QTest::mouseRelease(&Rows(), Qt::LeftButton, {}, QPoint(moved.center().x(), 0));
    // Scroll-bar messages: lines and pages.
    platform::SendMessage(Rows().Handle(), 0x0115, 1);  // line down
    platform::SendMessage(Rows().Handle(), 0x0115, 3);  // page down: 312 / 52 rows
    EXPECT_EQ(Rows().FirstVisible(), 7);
}

TEST_F(ContainerTest, FailedRowsComeFirstOnceTheBatchEndedWithFailures) {
    const std::vector<int32_t> ids = AddTasks(4);
    ReportAndShow(ids[0], kTaskComplete);
    ReportAndShow(ids[1], kTaskFileLocked);
    ReportAndShow(ids[2], kTaskPaused);
    EXPECT_FALSE(Rows().FailedFirst());
    Rows().SetFailedFirst();
    // Paused is no failure.
    EXPECT_THAT(Rows().DisplayOrder(), ElementsAre(ids[1], ids[0], ids[2], ids[3]));
    ReportAndShow(ids[3], kTaskFailed);
    EXPECT_THAT(Rows().DisplayOrder(), ElementsAre(ids[1], ids[3], ids[0], ids[2]));
}

TEST_F(ContainerTest, OwnersOfTasksHearWhenTheirUploadEnds) {
    Main();
    FakeOwner share(ui::kOwnerShareLink);
    FakeOwner weibo(ui::kOwnerWeibo);
    Rows().AddTask(Owned(501, kTaskWaiting, share, ui::kOwnerShareLink));
    Rows().AddTask(Owned(502, kTaskWaiting, weibo, ui::kOwnerWeibo));
    for (const int32_t state : {kTaskUploading, kTaskComplete}) {
        Rows().UpdateTask(Owned(501, state, share, ui::kOwnerShareLink));
        Rows().UpdateTask(Owned(502, state, weibo, ui::kOwnerWeibo));
    }
    Rows().UpdateTask(Owned(502, kTaskUploading, weibo, ui::kOwnerWeibo));
    Rows().UpdateTask(Owned(502, kTaskTimeout, weibo, ui::kOwnerWeibo));
    EXPECT_THAT(share.calls, ElementsAre("changed 0 501 2", "changed 1 501 3"));
    EXPECT_THAT(weibo.calls, ElementsAre("6 type=0;url=http://x/s/1;name=a.jpg;len=7;id=9;",
                                         "6 type=3;url=http://x/s/1;name=a.jpg;len=7;id=9;",
                                         "6 type=0;url=http://x/s/1;name=a.jpg;len=7;id=9;",
                                         "6 type=4;url=http://x/s/1;name=a.jpg;len=7;id=9;"));
}

TEST_F(ContainerTest, TheDrainTellsTheOwnerWindowThatATaskNames) {
    Main();
    FakeOwner share(ui::kOwnerShareLink);
    MakeFile("in/s.txt");
    auto task = CreateUploadContext(PathOf("in"), u"s.txt", share.handle, kAccountUpload);
    const int32_t id = task->m_TaskId;
    {
        std::lock_guard lock(TaskLock());
        InsertTaskLocked(std::move(task));
    }
    QueueTaskChange(id);
    ASSERT_TRUE(WaitFor([&] { return Rows().HasRow(id); }));
    ReportAndShow(id, kTaskUploading);
    ReportAndShow(id, kTaskFailed);
    EXPECT_THAT(share.calls, ElementsAre("changed 0 " + std::to_string(id) + " 2",
                                         "changed 2 " + std::to_string(id) + " 5"));
}

TEST_F(ContainerTest, TheTooltipShowsTheFullPathOfTheRowUnderThePointer) {
    AddTasks(2);
    Main().ShowPanel();
    QTest::mouseMove(&Rows(), Rows().RowRect(1).center());
    ASSERT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text().toStdString(), m_Dir.File("in/f2.txt"));
    QTest::mouseMove(&Rows(), QPoint(100, 311));  // below the rows
    EXPECT_TRUE(WaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(ContainerTest, ReferencePicturesOfTheList) {
    const std::vector<int32_t> ids = AddTasks(9, "照片_");
    ReportAndShow(ids[0], kTaskComplete);
    ReportAndShow(ids[1], kTaskUploading, 9);
    ReportAndShow(ids[2], kTaskFailed);
    ReportAndShow(ids[3], kTaskDiskFull);
    Main().ShowPanel();
    SaveShot(Main(), "main_window_scroll_bar");
    Rows().ScrollTo(3);
    QTest::mouseMove(&Rows(), Rows().RowRect(3).topLeft() + QPoint(Rows().RowWidth() - 25, 17));
    SaveShot(Main(), "main_window_scrolled_remove_hovered");
}
