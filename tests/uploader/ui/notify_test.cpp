#include <QCoreApplication>
#include <QTest>
#include <functional>
#include <iostream>

#include "fake_notifications.h"
#include "intake/exports.h"
#include "intake/task_list.h"
#include "intake/task_states.h"
#include "platform/desktop_notifier.h"
#include "platform/files.h"
#include "ui/upload_dlg.h"
#include "ui_test_support.h"

namespace {

bool RunEventsUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

using ui_test::CFakeNotificationServer;
using ui_test::CPrivateBus;

// The user interface tells a notification service of its own on a private bus.
class NotifyTest : public ui_test::UiTest {
protected:
    void SetUp() override {
        m_Bus = std::make_unique<CPrivateBus>();
        ASSERT_FALSE(m_Bus->Address().isEmpty()) << "dbus-daemon did not start";
        m_Server = std::make_unique<CFakeNotificationServer>(m_Bus->Address());
        ASSERT_TRUE(m_Server->Registered());
        m_NotifyBus = m_Bus->Address();
        UiTest::SetUp();
    }
    void TearDown() override {
        UiTest::TearDown();
        m_Server.reset();
        m_Bus.reset();
    }

    bool WaitForNotices(size_t count) {
        return WaitFor([&] { return m_Server->Notices().size() >= count; });
    }
    // What a user would read, kept in the test output.
    static void Print(const ui_test::CRecordedNotice& notice) {
        std::cout << "[notice] " << notice.appName.toStdString() << " | "
                  << notice.summary.toStdString() << " | " << notice.body.toStdString()
                  << " | actions: " << notice.actions.join(u',').toStdString() << "\n";
    }

    std::unique_ptr<CPrivateBus> m_Bus;
    std::unique_ptr<CFakeNotificationServer> m_Server;
};

TEST_F(NotifyTest, AFinishedBatchIsToldOnceWithItsCountsAndItsActionShowsThePanel) {
    const std::vector<int32_t> ids = AddTasks(3);
    ReportAndShow(ids[0], intake::kTaskComplete);
    ReportAndShow(ids[1], intake::kTaskFailed);
    ProcessEvents();
    EXPECT_TRUE(m_Server->Notices().empty()) << "a task is still open";
    ReportAndShow(ids[2], intake::kTaskComplete);
    ASSERT_TRUE(WaitForNotices(1));
    const ui_test::CRecordedNotice notice = m_Server->Notices()[0];
    Print(notice);
    EXPECT_EQ(notice.appName, QStringLiteral("Norvel Flinga"));
    EXPECT_EQ(notice.summary, QStringLiteral("上传结束，有文件失败"));
    EXPECT_EQ(notice.body, QStringLiteral("2 个文件上传成功\n1 个文件上传失败"));
    EXPECT_EQ(notice.actions, (QStringList{QStringLiteral("default"), QStringLiteral("显示")}));

    Main().hide();
    m_Server->InvokeAction(notice.id, QStringLiteral("default"));
    EXPECT_TRUE(WaitFor([&] { return Main().isVisible(); }));

    // The next batch counts only its own files.
    const std::vector<int32_t> more = AddTasks(1);
    ReportAndShow(more[0], intake::kTaskComplete);
    ASSERT_TRUE(WaitForNotices(2));
    Print(m_Server->Notices()[1]);
    EXPECT_EQ(m_Server->Notices()[1].body.section(u'\n', 0, 0), QStringLiteral("1 个文件上传成功"));
    EXPECT_EQ(m_Server->Notices().size(), 2u);
}

TEST_F(NotifyTest, TasksRestoredAlreadyFinishedAreNotToldAgain) {
    const std::u16string dir = PathOf("old");
    ASSERT_TRUE(platform::WriteWholeFile(
        intake::TaskListPath(), intake::EncodeTaskList({{dir, u"a.txt", intake::kTaskComplete},
                                                        {dir, u"b.txt", intake::kTaskComplete}})));
    Main();
    ASSERT_TRUE(WaitFor([&] { return Rows().HasRow(10001) && Rows().HasRow(10002); }));
    ProcessEvents();
    EXPECT_TRUE(m_Server->Notices().empty());

    const std::vector<int32_t> ids = AddTasks(1);
    ReportAndShow(ids[0], intake::kTaskComplete);
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(m_Server->Notices()[0].summary, QStringLiteral("上传完成"));
    EXPECT_EQ(m_Server->Notices()[0].body, QStringLiteral("1 个文件上传成功"));
}

TEST_F(NotifyTest, ARequestWithNothingToUploadIsToldBesideItsMessageBox) {
    Main();
    const intake::RequestBatch batch;  // the file manager sent nothing that can be taken
    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitForNotices(1)) << ::testing::PrintToString(m_Messages);
    Print(m_Server->Notices()[0]);
    EXPECT_EQ(m_Server->Notices()[0].summary, QStringLiteral("错误"));
    EXPECT_EQ(m_Server->Notices()[0].body, QStringLiteral("没有可上传文件"));
    EXPECT_TRUE(m_Server->Notices()[0].actions.isEmpty());
}

// Without a bus, or with a bus where no service answers, notices are dropped and the
// first failure is told once; nothing waits.
TEST(DesktopNotifierTest, WithoutAServiceTheFirstFailureIsToldOnce) {
    int noBus = 0;
    platform::CDesktopNotifier nowhere(QStringLiteral("t"),
                                       QStringLiteral("unix:path=/nonexistent/bus"));
    nowhere.SetOnUnavailable([&](const QString&) { ++noBus; });
    nowhere.Notify(QStringLiteral("a"), QStringLiteral("b"));
    nowhere.Notify(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("x"), [] {});
    EXPECT_EQ(noBus, 1);

    CPrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty());
    int noService = 0;
    QString cause;
    platform::CDesktopNotifier silent(QStringLiteral("t"), bus.Address());
    silent.SetOnUnavailable([&](const QString& why) {
        ++noService;
        cause = why;
    });
    silent.Notify(QStringLiteral("a"), QStringLiteral("b"));
    silent.Notify(QStringLiteral("a"), QStringLiteral("b"));
    ASSERT_TRUE(RunEventsUntil([&] { return noService > 0; }));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(noService, 1);
    EXPECT_FALSE(cause.isEmpty());
}

}  // namespace
