#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <filesystem>

#include "intake/exports.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/request_batch.h"
#include "intake/task_list.h"
#include "intake/task_map.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "ui/ui_actions.h"
#include "ui/window_message_event.h"
#include "ui_test_support.h"

using namespace intake;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ui_test::UiTest;

namespace {

using WindowTest = UiTest;

std::vector<int> Steps(int from, int to, int step) {
    std::vector<int> values;
    for (int v = from + step; step > 0 ? v <= to : v >= to; v += step)
        values.push_back(v);
    return values;
}

int SystemMainWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += widget->property("norvel_uploader_exe").isValid() ? 1 : 0;
    return count;
}

}  // namespace

TEST_F(WindowTest, ThePanelSitsAtTheLowerRightOfTheWorkAreaWithItsListInside) {
    ui::CuploadDlg& main = Main();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(main.size(), QSize(264, 352));
    EXPECT_EQ(main.pos(),
              QPoint(area.x() + area.width() - 264 - 20, area.y() + area.height() - 352));
    EXPECT_EQ(Rows().geometry(), QRect(8, 37, 249, 312));
    EXPECT_TRUE(main.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(main.testAttribute(Qt::WA_TranslucentBackground));
    // Rounded: the corner pixels are outside the clip, the middle of an edge inside.
    EXPECT_FALSE(main.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(main.mask().contains(QPoint(132, 0)));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Norvel网盘Flinga"));
    EXPECT_EQ(platform::GetWindowProperty(main.Handle(), u"norvel_uploader_exe"), 1);
    EXPECT_EQ(main.Opacity(), 80);
    EXPECT_DOUBLE_EQ(main.windowOpacity(), 0.8);
    EXPECT_TRUE(main.isHidden());  // created hidden; requests show it
}

TEST_F(WindowTest, OpacityRisesByTwoToExactly100AndFallsByOneToExactly80) {
    ui::CuploadDlg& main = Main();
    main.ShowPanel();
    m_Opacities.clear();
    QTest::mouseMove(main.windowHandle(), QPoint(100, 200));  // the pointer enters
    ASSERT_TRUE(WaitFor([&] { return main.IsTimerActive(ui::CuploadDlg::kFadeInTimer); }));
    ASSERT_TRUE(WaitFor([&] { return !main.IsTimerActive(ui::CuploadDlg::kFadeInTimer); }));
    EXPECT_EQ(main.Opacity(), 100);
    EXPECT_DOUBLE_EQ(main.windowOpacity(), 1.0);
    EXPECT_THAT(m_Opacities, ElementsAreArray(Steps(80, 100, 2)));

    m_Opacities.clear();
    main.FadeOut();
    ASSERT_TRUE(WaitFor([&] { return !main.IsTimerActive(ui::CuploadDlg::kFadeOutTimer); }));
    EXPECT_EQ(main.Opacity(), 80);
    EXPECT_DOUBLE_EQ(main.windowOpacity(), 0.8);
    EXPECT_THAT(m_Opacities, ElementsAreArray(Steps(100, 80, -1)));

    // Moving over the task list keeps the panel opaque too.
    m_Opacities.clear();
    AddTasks(1);
    QTest::mouseMove(&Rows(), QPoint(50, 20));
    ASSERT_TRUE(WaitFor([&] { return main.Opacity() == 100; }));
}

TEST_F(WindowTest, ChangedTasksReachTheirRowsAndTheRowsFollowTheTasks) {
    const std::vector<int32_t> ids = AddTasks(3);
    ASSERT_THAT(ids, ElementsAre(10001, 10002, 10003));
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(Rows().Count(), 3);
    EXPECT_EQ(Rows().Row(10001)->State(), kTaskWaiting);
    EXPECT_EQ(Rows().Row(10002)->Name(), u"f2.txt");
    const uint64_t size = Rows().Row(10002)->TotalSize();
    ReportAndShow(10002, kTaskUploading, size / 2);
    EXPECT_FLOAT_EQ(Rows().Row(10002)->Progress(), static_cast<float>(size / 2) / size);
    // A task that left the map (removed by the queue meanwhile) is dropped silently.
    RemoveTask(10003);
    QueueTaskChange(10003);
    ProcessEvents();
    EXPECT_EQ(Rows().Row(10003)->State(), kTaskWaiting);
}

TEST_F(WindowTest, ATaskThatReportsAgainWhileItsRowIsDrawnShowsItsLastReport) {
    const std::vector<int32_t> ids = AddTasks(2);
    const uint64_t size = Rows().Row(ids[0])->TotalSize();
    // Each time the drain has shown the first task, the engine reports it again while the
    // drain still runs: half done, then done. The second task's report waits behind it.
    const std::vector<std::pair<int32_t, uint64_t>> later = {{kTaskUploading, size / 2},
                                                             {kTaskComplete, size}};
    size_t next = 0;
    m_TaskShown = [&](int32_t id) {
        if (id == ids[0] && next < later.size()) {
            Report(id, later[next].first, later[next].second);
            ++next;
        }
    };
    Report(ids[0], kTaskUploading, size / 4);
    Report(ids[1], kTaskComplete);
    EXPECT_TRUE(WaitFor([&] { return m_Ui->Counters().Get().Open() == 0; }));
    EXPECT_EQ(next, later.size());
    EXPECT_EQ(Rows().Row(ids[0])->State(), kTaskComplete);
    EXPECT_EQ(Rows().Row(ids[0])->DoneSize(), size);
    EXPECT_EQ(m_Ui->Counters().Get().done, 2);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(WindowTest, OneFailureInABatchShowsFailedTasksFirstOnlyAfterTheLastResult) {
    const std::vector<int32_t> ids = AddTasks(3);
    ReportAndShow(ids[0], kTaskComplete);
    ReportAndShow(ids[1], kTaskFailed);
    EXPECT_FALSE(Rows().FailedFirst());
    EXPECT_EQ(m_Ui->Counters().Get().Open(), 1);
    ReportAndShow(ids[2], kTaskComplete);
    EXPECT_TRUE(Rows().FailedFirst());
    EXPECT_THAT(Rows().DisplayOrder(), ElementsAre(ids[1], ids[0], ids[2]));
    EXPECT_EQ(m_Ui->Counters().SuccessTotal(), 2);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(WindowTest, ABatchWhereEveryTaskSucceedsKeepsItsOrder) {
    const std::vector<int32_t> ids = AddTasks(3);
    for (const int32_t id : ids)
        ReportAndShow(id, kTaskComplete);
    EXPECT_FALSE(Rows().FailedFirst());
    EXPECT_EQ(m_Ui->Counters().Get().done, 3);
}

TEST_F(WindowTest, AResultThatCameBeforeItsRowIsCountedOnce) {
    Main();
    const intake::RequestBatch batch = UploadBatch({"quick.txt"});
    // The task ends before the main window has drained its first report.
    OnRequestBatch(&batch);
    m_Ui->WaitForDiskWork();
    const std::vector<int32_t> ids = TaskIds();
    ASSERT_EQ(ids.size(), 1u);
    Report(ids[0], kTaskComplete);
    ASSERT_TRUE(WaitFor([&] { return Rows().HasRow(ids[0]); }));
    ProcessEvents();
    EXPECT_EQ(m_Ui->Counters().Get().done, 1);
    EXPECT_EQ(m_Ui->Counters().Get().Open(), 0);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(WindowTest, ASecondStartRequestMakesNoSecondWindow) {
    SetUpLoadTask(nullptr, platform::kNoWindow);
    const platform::WindowHandle first = MainWindow();
    SetUpLoadTask(nullptr, platform::kNoWindow);
    EXPECT_EQ(MainWindow(), first);
    EXPECT_EQ(SystemMainWindows(), 1);
    EXPECT_EQ(m_Ui->MainDialog()->Handle(), first);
}

TEST_F(WindowTest, AnEmptyRequestIsRefusedWithAMessageAndClosesAnIdleHost) {
    MakeFile("in/Thumbs.db");
    UploadRequestEntry entry;
    ASSERT_TRUE(MakeEntry(kUploadRequest, PathOf("in"), u"Thumbs.db", entry));
    const RequestBatch batch{entry};
    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitFor([&] { return !m_Messages.empty(); }));
    EXPECT_THAT(m_Messages, ElementsAre("错误|没有可上传文件"));
    EXPECT_EQ(m_HostCloses, 1);
    EXPECT_FALSE(MainWindowExists());
}

TEST_F(WindowTest, SaveAndExitWritesTheListAndTheNextCreationLoadsIt) {
    const std::vector<int32_t> ids = AddTasks(3);
    ReportAndShow(ids[0], kTaskComplete);
    ReportAndShow(ids[1], kTaskFailed);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_SAVE_AND_EXIT), 0);
    EXPECT_FALSE(MainWindowExists());
    EXPECT_EQ(m_HostCloses, 1);  // nothing runs any more: the host closes too
    const std::string list = norvel::test::ReadFile(m_Dir.File("Flinga/uploader.dat"));
    const DecodedTaskList saved = DecodeTaskList(list);
    ASSERT_EQ(saved.tasks.size(), 3u);
    EXPECT_EQ(saved.tasks[0].m_Name, u"f1.txt");
    EXPECT_EQ(saved.tasks[0].m_State, kTaskComplete);
    EXPECT_EQ(saved.tasks[1].m_State, kTaskFailed);
    EXPECT_EQ(saved.tasks[2].m_State, kTaskWaiting);

    // The next run.
    StopQueue();
    WaitFor([&] { return m_Ui->MainDialog() == nullptr; });
    ResetTaskIdCounter();
    intake::Session().RemovePending(intake::Session().PendingCount());  // a new process
    StartQueue(0);
    m_Ui = std::make_unique<ui::CQtIntakeUi>(m_Ui->Options());
    SetIntakeUi(m_Ui.get());
    SetUpLoadTask(nullptr, platform::kNoWindow);
    ASSERT_NE(m_Ui->MainDialog(), nullptr);
    // The file stays; the running list replaces it, holding the restored tasks.
    EXPECT_TRUE(WaitFor([&] {
        const DecodedTaskList kept =
            DecodeTaskList(norvel::test::ReadFile(m_Dir.File("Flinga/uploader.dat")));
        return kept.tasks.size() == 3 && kept.tasks[2].m_State == kTaskWaiting;
    }));
    EXPECT_THAT(Rows().DisplayOrder(), ElementsAre(10001, 10002, 10003));
    EXPECT_EQ(Rows().Row(10001)->State(), kTaskComplete);
    EXPECT_EQ(Rows().Row(10002)->State(), kTaskFailed);
    EXPECT_EQ(Rows().Row(10003)->State(), kTaskWaiting);
    EXPECT_EQ(GetTaskView(10003)->owner, MainWindow());  // its progress will show
    const ui::CBatchCounters::Snapshot counts = m_Ui->Counters().Get();
    EXPECT_EQ(counts.total, 3);
    EXPECT_EQ(counts.done, 1);
    EXPECT_EQ(counts.fail, 1);
    EXPECT_EQ(intake::Session().PendingCount(), 1);
}

TEST_F(WindowTest, QueryPendingAnswersOneWhileATaskIsOpen) {
    const std::vector<int32_t> ids = AddTasks(2);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_QUERY_PENDING), 1);
    ReportAndShow(ids[0], kTaskComplete);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_QUERY_PENDING), 1);
    ReportAndShow(ids[1], kTaskTimeout);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_QUERY_PENDING), 0);
    // A retried task is open again.
    platform::SendMessage(Rows().Handle(), WM_TASK_RETRY, static_cast<platform::WParam>(ids[1]));
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_QUERY_PENDING), 1);
}

TEST_F(WindowTest, TheUpdaterStartsOnceAndAMissingOneChangesNothing) {
    AddTasks(2);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_START_UPDATER), 0);
    EXPECT_EQ(Rows().Count(), 2);
    EXPECT_EQ(m_HostCloses, 0);

    const std::string out = m_Dir.File("updater.args");
    norvel::test::WriteFile(m_Dir.File("Norvel_update2"),
                            "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >>'" + out + "'\n");
    std::filesystem::permissions(m_Dir.File("Norvel_update2"), std::filesystem::perms::owner_all);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_START_UPDATER), 1);
    EXPECT_EQ(platform::SendMessage(MainWindow(), WM_START_UPDATER), 0);
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_TRUE(TaskIds().empty());
    EXPECT_EQ(m_HostCloses, 1);
    ASSERT_TRUE(WaitFor([&] { return !norvel::test::ReadFile(out).empty(); }));
    QThread::msleep(100);  // a second start would have written by now
    EXPECT_EQ(norvel::test::ReadFile(out), std::to_string(QCoreApplication::applicationPid()) +
                                               "|" + NORVEL_TEST_FLINGA_DIR "/Norvel_Flinga\n");
}

TEST_F(WindowTest, TheCloseGlyphHidesThePanelWhileUploadsGoOn) {
    const std::vector<int32_t> ids = AddTasks(1);
    ui::CuploadDlg& main = Main();
    ASSERT_TRUE(main.isVisible());
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, main.CloseRect().center());
    EXPECT_TRUE(main.isHidden());
    EXPECT_TRUE(MainWindowExists());
    ReportAndShow(ids[0], kTaskComplete);
    EXPECT_EQ(m_Ui->Counters().Get().done, 1);
}

TEST_F(WindowTest, TheLinkOpensTheReceivedFilesFolderOfTheWebDisk) {
    const std::string out = m_Dir.File("opened");
    norvel::test::WriteFile(m_Dir.File("open.sh"),
                            "#!/bin/sh\nprintf '%s' \"$1\" >'" + out + "'\n");
    std::filesystem::permissions(m_Dir.File("open.sh"), std::filesystem::perms::owner_all);
    setenv("NORVEL_OPEN_URL", m_Dir.File("open.sh").c_str(), 1);
    ui::CuploadDlg& main = Main();
    main.ShowPanel();
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, main.LinkRect().center().toPoint());
    EXPECT_TRUE(WaitFor([&] { return !norvel::test::ReadFile(out).empty(); }));
    EXPECT_EQ(norvel::test::ReadFile(out), "http://127.0.0.1:17890/disk/#/我的网盘/我收到的文件");
    unsetenv("NORVEL_OPEN_URL");
}

TEST_F(WindowTest, OutsideMessagesReachTheWindowThroughTheSharedApplication) {
    const std::vector<int32_t> ids = AddTasks(1);
    QWidget* found = ui::FindSystemWindow(QString(), "norvel_uploader_exe");
    ASSERT_EQ(found, m_Ui->MainDialog());
    EXPECT_EQ(ui::FindSystemWindow(QStringLiteral("Norvel网盘Flinga"), nullptr), found);
    int64_t result = -1;
    EXPECT_TRUE(ui::SendSystemMessage(found, WM_QUERY_PENDING, 0, 0, result));
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(ui::SendSystemMessage(nullptr, WM_QUERY_PENDING, 0, 0, result));
}

TEST_F(WindowTest, ThePointerOverTheLinkOrTheCloseGlyphShowsTheHand) {
    ui::CuploadDlg& main = Main();
    main.ShowPanel();
    // (Qt ignores a move to where the pointer already is: start from elsewhere.)
    QTest::mouseMove(main.windowHandle(), QPoint(61, 21));
    QTest::mouseMove(main.windowHandle(), main.LinkRect().center().toPoint());
    EXPECT_EQ(main.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(main.windowHandle(), QPoint(60, 20));  // the title
    EXPECT_EQ(main.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(main.windowHandle(), main.CloseRect().center());
    EXPECT_EQ(main.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowTest, BatchesThatWaitedForTheLoginGoOnWhenItsUserInformationArrives) {
    int queries = 0;
    intake::Library().SetSeam(&LibrarySeams::userInfo, std::function<void()>([&] { ++queries; }));
    intake::Session().SetLoggedIn(false);
    Main();
    ASSERT_TRUE(WaitFor([&] { return queries == 1; }));  // the first query at creation
    const RequestBatch batch = UploadBatch({"late.txt"});
    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitFor([] { return BatchesWaitingForLogin() == 1; }));
    EXPECT_TRUE(TaskIds().empty());

    intake::Session().SetLoggedIn(true);  // what the login stores
    platform::SendMessage(MainWindow(), WM_USERINFO_DONE, kUserInfoAfterLogin, 0);
    EXPECT_EQ(BatchesWaitingForLogin(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Rows().Count() == 1; }));
    // From now on the user information is asked for periodically.
    EXPECT_TRUE(Main().IsTimerActive(ui::CuploadDlg::kUserInfoTimer));
    intake::Library().SetSeam(&LibrarySeams::userInfo, std::function<void()>());
}

TEST_F(WindowTest, AccountCommandsFromOutside) {
    Main();
    platform::SendMessage(MainWindow(), WM_ACCOUNT_COMMAND, kAccountAutoLoginWeb, 1);
    EXPECT_EQ(Main().AutoLoginWeb(), 1);
    settings::WriteString(settings::kFlingaKey, settings::kUserName, u"alice");
    platform::SendMessage(MainWindow(), WM_ACCOUNT_COMMAND, kAccountLogin, kAccountLogOut);
    EXPECT_FALSE(settings::ReadString(settings::kFlingaKey, settings::kUserName));
    EXPECT_THAT(m_Messages, ElementsAre("|注销，退出程序！！！"));
    EXPECT_FALSE(MainWindowExists());
    EXPECT_EQ(m_HostCloses, 1);
}

TEST_F(WindowTest, ReferencePictureOfAHoveredPanel) {
    const std::vector<int32_t> ids = AddTasks(3, "年度报告_");
    ReportAndShow(ids[0], kTaskComplete);
    ReportAndShow(ids[1], kTaskUploading, 12);
    ui::CuploadDlg& main = Main();
    QTest::mouseMove(main.windowHandle(), main.LinkRect().center().toPoint());
    ASSERT_TRUE(WaitFor([&] { return main.Opacity() == 100; }));
    QTest::mouseMove(
        &Rows(), Rows().RowRect(0).topLeft() +
                     Rows().Row(ids[0])->PartRect(ui::RowPart::View, Rows().RowWidth()).center());
    SaveShot(main, "main_window_view_hovered");
}
