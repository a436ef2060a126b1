// The share-link window against the substitute service: a request opened through the
// user interface uploads its files, shows its progress, and ends with a link whose page
// lists the files; refused and failed files are listed with their reasons and the rest
// can still be linked; closing stops the batch and takes the window's counts off once.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <iostream>

#include "engine_fixture.h"
#include "fake_notifications.h"
#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/request_batch.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/http_client.h"
#include "ui/anony_dlg.h"
#include "ui/outer_link_dlg.h"
#include "ui/qt_intake_ui.h"
#include "ui_test_support.h"

namespace upload_test {
namespace {

using ui::COuterLinkDlg;

class ShareLinkTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PointLinkHostsAtService();
        settings::SetHostProgramPath(platform::Utf8ToWide(NORVEL_TEST_FLINGA_DIR "/Norvel_Flinga"));
        intake::Session().SetLoggedIn(true);
        ui::CQtUiOptions options;
        options.closeHost = [this] { ++m_HostCloses; };
        options.showMessage = [](std::u16string_view, std::u16string_view) {};
        m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
        intake::SetIntakeUi(m_Ui.get());
        QGuiApplication::clipboard()->clear();
    }

    void TearDown() override {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dlg = dynamic_cast<COuterLinkDlg*>(window))
                dlg->CloseWindow();
        ProcessEvents();
        intake::SetIntakeUi(nullptr);
        m_Ui.reset();
        EngineTest::TearDown();
    }

    static bool WaitFor(const std::function<bool()>& condition, int limitMs = 15000) {
        return ui_test::WaitForEvents(condition, limitMs);
    }
    static void ProcessEvents() { ui_test::RunDueEvents(); }
    static void SaveShot(QWidget& widget, const std::string& name) {
        ui_test::SaveScreenshot(widget, name);
    }

    intake::RequestBatch Request(std::initializer_list<std::pair<const char*, std::string>> files) {
        return MakeRequest(intake::kShareLinkRequest, files);
    }

    // The share-link window that is open, or null.
    static COuterLinkDlg* OpenWindow() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dlg = dynamic_cast<COuterLinkDlg*>(window); dlg && dlg->isVisible())
                return dlg;
        return nullptr;
    }

    static bool LinkShown(const COuterLinkDlg& dlg) { return dlg.LinkEdit()->isVisible(); }

    // The page of the link: its listing, and the bytes of each file in order.
    std::string Page(const QString& link, int file = -1) {
        const std::string url = link.toStdString();
        const std::string base = m_Service->BaseUrl();
        EXPECT_EQ(url.rfind(base, 0), 0u) << url;
        norvel::test::HttpRequest request;
        request.method = "GET";
        request.port = m_Service->Port();
        request.target = url.substr(base.size()) + (file >= 0 ? "/" + std::to_string(file) : "");
        return norvel::test::SendHttp(request).body;
    }

    std::unique_ptr<ui::CQtIntakeUi> m_Ui;
    int m_HostCloses = 0;
};

TEST_F(ShareLinkTest, TwoFilesEndWithALinkOnTheClipboardWithoutAClick) {
    settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, 1);
    UseBlocks(2048);
    // The first blocks are answered slowly, so the progress view can be seen mid-upload.
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "delay", .path = "/up/up_blk", .count = 3, .ms = 300}));
    const std::string a = SampleBytes(12000, 1), b = SampleBytes(6000, 2);
    // Handed over as the plug-in's request is, so that what intake counts is counted too.
    const intake::RequestBatch request = Request({{"holiday photos.zip", a}, {"notes.txt", b}});
    intake::OnRequestBatch(&request);
    COuterLinkDlg* dlg = OpenWindow();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(intake::Session().PendingCount(), 1);
    EXPECT_EQ(intake::Session().LibraryUsers(), 1);
    EXPECT_EQ(dlg->Batch().Progress().totalBytes, 18000u);

    ASSERT_TRUE(WaitFor([&] { return dlg->Batch().Progress().bytesDone > 0; }));
    dlg->update();
    ProcessEvents();
    SaveShot(*dlg, "outer_link_progress");
    EXPECT_TRUE(dlg->PauseButton()->isVisible());
    EXPECT_TRUE(dlg->CloseButton()->isVisible());
    EXPECT_EQ(dlg->CloseButton()->text(), QStringLiteral("取消"));

    ASSERT_TRUE(WaitFor([&] { return LinkShown(*dlg); }));
    EXPECT_FALSE(dlg->PauseButton()->isVisible());
    EXPECT_EQ(dlg->CloseButton()->text(), QStringLiteral("关闭"));
    EXPECT_TRUE(dlg->AutoCopyBox()->isChecked());
    EXPECT_TRUE(dlg->Copied());
    const QString link = dlg->LinkText();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), link);
    if (QGuiApplication::clipboard()->supportsSelection()) {
        EXPECT_EQ(QGuiApplication::clipboard()->text(QClipboard::Selection), link);
    }
    SaveShot(*dlg, "outer_link_copied");
    EXPECT_EQ(dlg->Batch().Progress().doneCount, 2u);

    const std::string page = Page(link);
    EXPECT_NE(page.find("holiday photos.zip"), std::string::npos);
    EXPECT_NE(page.find("notes.txt"), std::string::npos);
    EXPECT_EQ(Page(link, 0), a);
    EXPECT_EQ(Page(link, 1), b);

    QPointer<COuterLinkDlg> closing(dlg);
    dlg->CloseButton()->click();
    ASSERT_TRUE(WaitFor([&] { return closing.isNull(); }));
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
    EXPECT_EQ(m_HostCloses, 1);                             // the last user of the library has gone
    EXPECT_EQ(QGuiApplication::clipboard()->text(), link);  // the link outlives the window
}

TEST_F(ShareLinkTest, WithoutAutoCopyTheLinkWaitsForTheCopyButton) {
    settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, 0);
    intake::Session().AddLibraryUser();  // another request keeps the library in use
    intake::IntakeUi().OpenShareLinkWindow(Request({{"one.txt", SampleBytes(3000, 3)}}), true);
    COuterLinkDlg* dlg = OpenWindow();
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(WaitFor([&] { return LinkShown(*dlg); }));
    EXPECT_FALSE(dlg->Copied());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    dlg->CopyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dlg->LinkText());
    EXPECT_TRUE(dlg->Copied());
    dlg->AutoCopyBox()->click();  // checked from now on
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard), 1u);
    QPointer<COuterLinkDlg> closing(dlg);
    dlg->close();
    ASSERT_TRUE(WaitFor([&] { return closing.isNull(); }));
    EXPECT_EQ(intake::Session().LibraryUsers(), 1);
    EXPECT_EQ(m_HostCloses, 0);
}

TEST_F(ShareLinkTest, AnAnonymousRequestWithTheQuestionSwitchedOffGetsALinkAtOnce) {
    intake::Session().SetLoggedIn(false);
    settings::DeleteValue(settings::kFlingaKey, settings::kUserToken);
    settings::SetToken(u"");
    settings::WriteDword(settings::kFlingaKey, settings::kAnonyLink, 1);
    settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, 1);
    const std::string a = SampleBytes(5000, 4), b = SampleBytes(700, 5);
    const intake::RequestBatch request = Request({{"a.bin", a}, {"b.txt", b}});
    intake::OnRequestBatch(&request);  // would block in the question if it were asked
    COuterLinkDlg* dlg = OpenWindow();
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(dlg->Batch().LoggedIn());
    ASSERT_TRUE(WaitFor([&] { return LinkShown(*dlg); }));
    const QString link = dlg->LinkText();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), link);
    const std::string page = Page(link);
    EXPECT_NE(page.find("a.bin"), std::string::npos);
    EXPECT_NE(page.find("b.txt"), std::string::npos);
    EXPECT_EQ(Page(link, 0), a);
    EXPECT_EQ(Page(link, 1), b);
}

TEST_F(ShareLinkTest, FailedFilesAreListedWithTheirReasonsAndTheRestIsStillLinked) {
    settings::SetMaxFileSize(u"20000");
    ui::COuterLinkOptions options;
    options.batch.worker.driver = DriverFailingBlocksOf(u"broken.dat");
    const std::string good = SampleBytes(6000, 7);
    auto* dlg = new COuterLinkDlg(
        Request({{"a very long name of a disk image.iso", SampleBytes(2100000, 5)},
                 {"broken.dat", SampleBytes(1023, 6)},
                 {"good.txt", good}}),
        true, options);
    dlg->show();
    ASSERT_TRUE(WaitFor([&] { return dlg->ListMode() == 1; }));
    EXPECT_FALSE(dlg->PauseButton()->isVisible());
    EXPECT_FALSE(dlg->CloseButton()->isVisible());
    EXPECT_TRUE(dlg->ContinueButton()->isVisible());
    EXPECT_TRUE(dlg->ContinueButton()->isEnabled());
    EXPECT_TRUE(dlg->GiveUpButton()->isVisible());
    EXPECT_TRUE(dlg->VipButton()->isVisible());  // a file was too large
    EXPECT_FALSE(dlg->SpaceButton()->isVisible());
    EXPECT_FALSE(dlg->FailedScroll()->isEnabled());  // fewer than six failed
    const auto failed = dlg->Batch().FailedTasks();
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(ui::FailureReason(failed[0].state), QStringLiteral("超大文件"));
    EXPECT_EQ(ui::FailedSizeText(failed[0].size), QStringLiteral("2MB"));
    EXPECT_EQ(ui::FailureReason(failed[1].state), QStringLiteral("上传失败"));
    EXPECT_EQ(ui::FailedSizeText(failed[1].size), QStringLiteral("1023B"));
    SaveShot(*dlg, "outer_link_failures");

    dlg->ContinueButton()->click();
    EXPECT_FALSE(dlg->ContinueButton()->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return LinkShown(*dlg); }));
    const std::string page = Page(dlg->LinkText());
    EXPECT_NE(page.find("good.txt"), std::string::npos);
    EXPECT_EQ(page.find("broken.dat"), std::string::npos);
    EXPECT_EQ(Page(dlg->LinkText(), 0), good);
}

TEST_F(ShareLinkTest, WhenEveryFileFailsOnlyGivingUpIsLeftAndItClosesWithoutAsking) {
    ui::COuterLinkOptions options;
    options.batch.worker.pauseBetweenFiles = std::chrono::milliseconds(1);
    options.batch.worker.driver = [](intake::UploadContext& task) {
        batch::SetBatchTaskState(task, intake::kTaskTimeout);
        return 4010;
    };
    int asked = 0;
    options.confirmGiveUp = [&] { return ++asked, true; };
    std::initializer_list<std::pair<const char*, std::string>> files = {
        {"f1", "1"}, {"f2", "2"}, {"f3", "3"}, {"f4", "4"}, {"f5", "5"}, {"f6", "6"}, {"f7", "7"}};
    QPointer<COuterLinkDlg> dlg(new COuterLinkDlg(Request(files), true, options));
    dlg->show();
    ASSERT_TRUE(WaitFor([&] { return dlg->ListMode() == 1; }));
    EXPECT_FALSE(dlg->ContinueButton()->isEnabled());
    EXPECT_TRUE(dlg->FailedScroll()->isEnabled());
    EXPECT_EQ(dlg->FailedScroll()->maximum(), 2);
    EXPECT_FALSE(dlg->VipButton()->isVisible());
    dlg->FailedScroll()->setValue(2);
    SaveShot(*dlg, "outer_link_failures_scrolled");
    dlg->GiveUpButton()->click();
    ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(ShareLinkTest, ClosingDuringAnUploadStopsItAndCountsOffOnce) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    intake::IntakeUi().OpenShareLinkWindow(Request({{"big.bin", SampleBytes(40000, 8)}}), true);
    QPointer<COuterLinkDlg> dlg(OpenWindow());
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(WaitFor([&] { return dlg->Batch().Progress().bytesDone > 0; }));
    dlg->PauseButton()->click();
    EXPECT_EQ(dlg->PauseButton()->text(), QStringLiteral("恢复"));
    QElapsedTimer clock;
    clock.start();
    dlg->CloseButton()->click();
    dlg->CloseButton()->click();  // a second click changes nothing
    ASSERT_TRUE(WaitFor([&] { return dlg.isNull(); }));
    EXPECT_LT(clock.elapsed(), 2000);  // not the stall's 3 s
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST_F(ShareLinkTest, TakingTheInterfaceDownEndsAnOpenWindowAndItsBatch) {
    ASSERT_TRUE(m_Service->SetFault(
        {.kind = "stall", .path = "/up/up_blk", .count = 1, .ms = 3000, .after = 100}));
    intake::IntakeUi().OpenShareLinkWindow(Request({{"left.bin", SampleBytes(40000, 9)}}), true);
    QPointer<COuterLinkDlg> dlg(OpenWindow());
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(WaitFor([&] { return dlg->Batch().Progress().bytesDone > 0; }));
    QElapsedTimer clock;
    clock.start();
    m_Ui->Shutdown();  // as at library unload: no event loop turn follows
    EXPECT_TRUE(dlg.isNull());
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST(ShareLinkTextTest, SizesSpeedsAndTimesAsTheWindowWritesThem) {
    EXPECT_EQ(ui::FailedSizeText(0), QString());
    EXPECT_EQ(ui::FailedSizeText(1023), QStringLiteral("1023B"));
    EXPECT_EQ(ui::FailedSizeText(1024), QStringLiteral("1KB"));
    EXPECT_EQ(ui::FailedSizeText(1048576), QStringLiteral("1MB"));
    EXPECT_EQ(ui::SpeedText(1000), QStringLiteral("1000b/s"));
    EXPECT_EQ(ui::SpeedText(1001), QStringLiteral("1KB/s"));
    EXPECT_EQ(ui::SpeedText(2500000), QStringLiteral("2MB/s"));
    EXPECT_EQ(ui::RemainingText(3909), QStringLiteral("01:05:09"));
    EXPECT_EQ(ui::RemainingText(360000), QStringLiteral("100:00:00"));
    EXPECT_EQ(ui::FailureReason(12), QStringLiteral("网络超时"));
    EXPECT_EQ(ui::FailureReason(13), QStringLiteral("目录不存在"));
    EXPECT_EQ(ui::FailureReason(11), QStringLiteral("网盘已满"));
    EXPECT_EQ(ui::FailureReason(9), QStringLiteral("上传失败"));
}

TEST(AnonyDlgTest, EitherAnswerWithTheBoxCheckedSwitchesTheQuestionOff) {
    norvel::test::TempDir dir;
    setenv("NORVEL_REGISTRY", dir.File("registry.reg").c_str(), 1);
    settings::ResetCaches();
    settings::SetHostProgramPath(platform::Utf8ToWide(NORVEL_TEST_FLINGA_DIR "/Norvel_Flinga"));
    ui::CAnonyDlg goOn;
    goOn.open();
    goOn.GoOnButton()->click();
    EXPECT_EQ(goOn.result(), ui::CAnonyDlg::kGoOn);
    EXPECT_FALSE(settings::ReadDword(settings::kFlingaKey, settings::kAnonyLink));

    ui::CAnonyDlg logIn;
    logIn.open();
    logIn.DontAskBox()->setChecked(true);
    QDir().mkpath(NORVEL_UI_SHOTS_DIR);
    logIn.grab().save(QStringLiteral(NORVEL_UI_SHOTS_DIR "/anony_question.png"));
    logIn.LogInButton()->click();
    EXPECT_EQ(logIn.result(), ui::CAnonyDlg::kLogIn);
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kAnonyLink), 1u);
}

// The link made is told on the desktop, saying whether it is on the clipboard.
TEST_F(ShareLinkTest, TheLinkMadeIsToldOnTheDesktop) {
    ui_test::CPrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty());
    ui_test::CFakeNotificationServer server(bus.Address());
    ASSERT_TRUE(server.Registered());
    ui::CQtUiOptions options = m_Ui->Options();
    options.notifyBusAddress = bus.Address();
    intake::SetIntakeUi(nullptr);
    m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
    intake::SetIntakeUi(m_Ui.get());
    settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, 1);
    intake::Session().AddLibraryUser();
    intake::IntakeUi().OpenShareLinkWindow(Request({{"told.txt", SampleBytes(3000, 4)}}), true);
    COuterLinkDlg* dlg = OpenWindow();
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(WaitFor([&] { return !server.Notices().empty(); }));
    const ui_test::CRecordedNotice& notice = server.Notices()[0];
    std::cout << "[notice] " << notice.summary.toStdString() << " | " << notice.body.toStdString()
              << "\n";
    EXPECT_EQ(notice.summary, QStringLiteral("外链已生成"));
    EXPECT_EQ(notice.body, dlg->LinkText() + QStringLiteral("\n已复制到剪贴板"));
    QPointer<COuterLinkDlg> closing(dlg);
    dlg->close();
    ASSERT_TRUE(WaitFor([&] { return closing.isNull(); }));
}

}  // namespace
}  // namespace upload_test
