#include <QMenu>
#include <QPointer>
#include <QTest>

#include "intake/exports.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "intake/upload_context.h"
#include "settings/registry_values.h"
#include "ui/menu_ex.h"
#include "ui/mini_wnd.h"
#include "ui/wnd_dlg_tips.h"
#include "ui_test_support.h"

using ui::CMiniWnd;

namespace {

// The mini window with a clock the test moves, and short notice and question times.
class MiniTest : public ui_test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::CQtUiOptions options = m_Ui->Options();
        options.tickMs = [this] { return m_Now; };
        options.noticeHoldMs = 30;
        options.confirmExitMs = 60;
        intake::SetIntakeUi(nullptr);
        m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
        intake::SetIntakeUi(m_Ui.get());
    }

    CMiniWnd& Mini() {
        Main();
        return *m_Ui->MiniDialog();
    }

    // A press and a release on the window, `held` milliseconds apart.
    void Click(QPoint at, uint64_t held) {
        QWindow* window = Mini().windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        m_Now += held;
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        m_Now += 1000;
    }

    void SetMiniTips(uint32_t bits) {
        settings::WriteDword(settings::kFlingaKey, settings::kMiniTips, bits);
        Mini().ReloadTips();
    }

    uint64_t m_Now = 5000;
};

TEST_F(MiniTest, StartWithoutFilesShowsTheMiniWindowTopmostNearTheTopRight) {
    CMiniWnd& mini = Mini();
    EXPECT_TRUE(mini.isVisible());
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(mini.size(), QSize(500, 143));
    EXPECT_TRUE(mini.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(mini.acceptDrops());
    EXPECT_EQ(mini.windowTitle(), QStringLiteral("Norvel网盘Flinga"));
    EXPECT_EQ(mini.PictureRect(), QRect(219, 20, 62, 53));
    EXPECT_EQ(mini.CloseRect(), QRect(266, 18, 20, 20));
    EXPECT_EQ(m_Ui->MiniWindow(), mini.Handle());
}

TEST_F(MiniTest, AShortClickTogglesTheMainWindowAndADragDoesNot) {
    CMiniWnd& mini = Mini();
    const QPoint picture = mini.PictureRect().center() + QPoint(0, 10);
    Click(picture, 150);
    EXPECT_TRUE(Main().isVisible());
    Click(picture, 201);  // held too long: a drag
    EXPECT_TRUE(Main().isVisible());
    Click(picture, 200);
    EXPECT_FALSE(Main().isVisible());
    EXPECT_FALSE(m_Ui->TipsDialog()->isVisible());
}

TEST_F(MiniTest, TheCounterShowsOpenTasksThenFailuresInRedWithItsFontSizes) {
    CMiniWnd& mini = Mini();
    EXPECT_FALSE(mini.CounterShown());
    m_Ui->ShowAdded(0, u"/home/u/dropped");  // a drop: the counter only
    EXPECT_TRUE(mini.CounterShown());
    EXPECT_TRUE(mini.NoticeText().isEmpty());
    m_Ui->ShowAdded(1000, u"/home/u/a.txt");
    EXPECT_TRUE(mini.CounterShown());
    EXPECT_EQ(mini.CounterText(), QStringLiteral("1000"));
    EXPECT_EQ(mini.CounterFont().pixelSize(), 22);
    m_Ui->Counters().TaskSucceeded();
    EXPECT_EQ(mini.CounterText(), QStringLiteral("999"));
    EXPECT_EQ(mini.CounterFont().pixelSize(), 30);
    EXPECT_EQ(mini.CounterColour(), QColor(0x2D, 0x5C, 0xA5));

    m_Ui->Counters().Reset();
    m_Ui->ShowAdded(12345, u"b");
    EXPECT_EQ(mini.CounterFont().pixelSize(), 18);
    m_Ui->ShowAdded(100000, u"b");
    EXPECT_EQ(mini.CounterFont().pixelSize(), 15);

    m_Ui->Counters().Reset();
    m_Ui->ShowAdded(2, u"c");
    m_Ui->Counters().TaskSucceeded();
    m_Ui->Counters().TaskFailed();  // the last open task fails
    EXPECT_EQ(mini.CounterText(), QStringLiteral("1"));
    EXPECT_EQ(mini.CounterColour(), QColor(0xFF, 0x00, 0x00));
}

TEST_F(MiniTest, TheNoticeNamesTheFileRisesStaysAndGoes) {
    CMiniWnd& mini = Mini();
    m_Ui->ShowAdded(1, u"/home/u/photo.jpg");
    EXPECT_EQ(mini.NoticeText(), QStringLiteral("“photo.jpg”已加入上传"));
    m_Ui->ShowAdded(3, u"C:\\docs\\report.doc");
    EXPECT_EQ(mini.NoticeText(), QStringLiteral("“report.doc”等3个文件已加入上传"));
    ASSERT_TRUE(WaitFor([&] { return mini.NoticeAlpha() == 255; }));
    EXPECT_TRUE(mini.IsTimerActive(CMiniWnd::kNoticeFallTimer));  // holding
    SetMiniTips(0);
    SaveShot(mini, "mini_notice_counter");
    ASSERT_TRUE(WaitFor([&] { return mini.NoticeText().isEmpty(); }));
    EXPECT_EQ(mini.NoticeAlpha(), 0);
    EXPECT_FALSE(mini.IsTimerActive(CMiniWnd::kNoticeFallTimer));
    EXPECT_TRUE(mini.CounterShown());  // the counter stays

    // A long name is cut with an ellipsis.
    m_Ui->ShowAdded(1, u"/" + std::u16string(80, u'n') + u".txt");
    EXPECT_TRUE(mini.NoticeText().contains(QChar(0x2026)));
}

TEST_F(MiniTest, HintsFollowTheirBitsAndAreDismissedForGood) {
    CMiniWnd& mini = Mini();
    SetMiniTips(7);
    EXPECT_GE(mini.ShownHint(), 0);
    SetMiniTips(1 | 2);
    EXPECT_EQ(mini.ShownHint(), 0);
    SaveShot(mini, "mini_hint_drag");
    Click(mini.HintCloseRect().center(), 50);
    EXPECT_EQ(settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7), 2u);
    EXPECT_EQ(mini.ShownHint(), -1);
    EXPECT_FALSE(Main().isVisible());  // the link is not a click on the window

    SetMiniTips(4);
    EXPECT_EQ(mini.ShownHint(), 1);
    SaveShot(mini, "mini_hint_click");
    Click(mini.HintCloseRect().center(), 50);
    EXPECT_EQ(settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7), 0u);
}

TEST_F(MiniTest, TheTipsPopupGoesWithTheMainWindowUntilDismissed) {
    Mini();
    m_Ui->ShowMainWindow();
    ui::CWndDlgTips& tips = *m_Ui->TipsDialog();
    ASSERT_TRUE(tips.isVisible());
    EXPECT_EQ(tips.pos(), Main().pos() + QPoint(20, -52));
    SaveShot(tips, "tips_popup");
    QTest::mouseClick(tips.windowHandle(), Qt::LeftButton, {}, tips.DismissRect().center());
    EXPECT_EQ(settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7) & 2u, 0u);
    EXPECT_FALSE(tips.isVisible());
    Main().hide();
    m_Ui->ShowMainWindow();
    EXPECT_FALSE(tips.isVisible());
}

TEST_F(MiniTest, ExitAsksOnlyWithOpenOrFailedTasks) {
    CMiniWnd& mini = Mini();
    m_Ui->ShowAdded(1, u"a.txt");
    Click(mini.CloseRect().center(), 50);
    ASSERT_TRUE(mini.ConfirmShown());
    EXPECT_EQ(m_HostCloses, 0);
    SaveShot(mini, "mini_exit_question");
    ASSERT_TRUE(WaitFor([&] { return !mini.ConfirmShown(); }));  // timer 1005

    mini.RequestExit(true);
    Click(mini.CancelButtonRect().center(), 50);
    EXPECT_FALSE(mini.ConfirmShown());
    EXPECT_EQ(m_HostCloses, 0);

    m_Ui->Counters().TaskFailed();  // nothing open, one failed: still asked
    mini.RequestExit(false);
    ASSERT_TRUE(mini.ConfirmShown());
    Click(mini.ExitButtonRect().center(), 50);
    EXPECT_GE(m_HostCloses, 1);
    EXPECT_EQ(m_Ui->Counters().Get().total, 0);
}

TEST_F(MiniTest, NothingOpenTheCloseGlyphQuitsAtOnce) {
    const QPointer<CMiniWnd> mini = &Mini();
    Click(mini->CloseRect().center(), 50);
    EXPECT_GE(m_HostCloses, 1);
    ASSERT_TRUE(WaitFor([&] { return mini.isNull(); }));  // closed with the rest, no question
}

TEST_F(MiniTest, TheMenuOffersEveryCommandAndItsPauseAndStartReachTheQueue) {
    CMiniWnd& mini = Mini();
    std::unique_ptr<ui::CMenuEx> menu(mini.BuildMenu(nullptr));
    for (int id : {CMiniWnd::kShowMain, CMiniWnd::kStartAll, CMiniWnd::kPauseAll,
                   CMiniWnd::kUpgradeVip, CMiniWnd::kAbout, CMiniWnd::kSettings, CMiniWnd::kExit})
        ASSERT_NE(menu->Command(id), nullptr) << id;
    EXPECT_TRUE(menu->Command(CMiniWnd::kSettings)->isEnabled());
    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
    menu->setActiveAction(menu->Command(CMiniWnd::kStartAll));
    SaveShot(*menu, "mini_menu");
    menu->hide();

    const std::vector<int32_t> ids = AddTasks(2);
    mini.RunCommand(CMiniWnd::kPauseAll);
    for (int32_t id : ids)
        EXPECT_EQ(intake::GetTaskView(id)->state, intake::kTaskPaused);
    mini.RunCommand(CMiniWnd::kStartAll);
    for (int32_t id : ids)
        EXPECT_EQ(intake::GetTaskView(id)->state, intake::kTaskWaiting);

    mini.RunCommand(CMiniWnd::kShowMain);
    EXPECT_TRUE(Main().isVisible());
}

TEST_F(MiniTest, FadingOverTheMiniWindowDrivesTheMainWindowsOpacity) {
    CMiniWnd& mini = Mini();
    QTest::mouseMove(mini.windowHandle(), mini.PictureRect().center());
    QEnterEvent enter(QPointF(240, 40), QPointF(240, 40), QPointF(240, 40));
    QCoreApplication::sendEvent(&mini, &enter);
    ASSERT_TRUE(WaitFor([&] { return mini.Opacity() == 100; }));
    EXPECT_EQ(Main().Opacity(), 100);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&mini, &leave);
    ASSERT_TRUE(WaitFor([&] { return mini.Opacity() == 80; }));
    EXPECT_EQ(Main().Opacity(), 80);
}

}  // namespace

#include <QSystemTrayIcon>

#include "ui/tray_icon.h"

namespace {

TEST_F(MiniTest, TheTrayIconOffersTheMenuWithTheAccountAndCountsInItsTooltip) {
    Mini();
    ui::CTrayIcon tray(*m_Ui);
    ASSERT_NE(tray.Menu()->Command(CMiniWnd::kPauseAll), nullptr);
    EXPECT_TRUE(tray.Menu()->Command(CMiniWnd::kSettings)->isEnabled());
    ASSERT_NE(tray.Menu()->Command(ui::CTrayIcon::kLogOut), nullptr);  // the tests are logged in
    m_Ui->ShowAdded(3, u"a.txt");
    tray.Refresh();
    EXPECT_TRUE(tray.Icon().toolTip().contains(QStringLiteral("3个文件正在上传")));
    // Without a status area (as here), none is made.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        EXPECT_EQ(ui::CTrayIcon::CreateIfAvailable(*m_Ui), nullptr);
    }
}

}  // namespace

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

TEST_F(MiniTest, FilesAndFoldersDroppedOnItBecomeTasksWithTheNotice) {
    CMiniWnd& mini = Mini();
    MakeFile("drop/one.txt");
    MakeFile("drop/folder/two.txt");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_Dir.File("drop/one.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(m_Dir.File("drop/folder")))});
    const QPoint at = mini.PictureRect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&mini, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&mini, &drop);
    ASSERT_TRUE(WaitFor([&] { return intake::TaskIds().size() == 2; }));
    EXPECT_TRUE(mini.CounterShown());
    EXPECT_EQ(mini.CounterText(), QStringLiteral("2"));
    EXPECT_TRUE(mini.NoticeText().contains(QStringLiteral("等2个文件已加入上传")));
}

}  // namespace
