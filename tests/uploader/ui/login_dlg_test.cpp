#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "actions/auth_action.h"
#include "intake/exports.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/task_map.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/service_process.h"
#include "ui/link_opener.h"
#include "ui/login_dlg.h"
#include "ui_test_support.h"

namespace {

constexpr std::u16string_view kHosts[] = {settings::kApiHost, settings::kWebHost,
                                          settings::kDownloadHost, settings::kLoginHost};

// The login dialog against the substitute service, with nobody logged in; failures show
// at once instead of after half a second.
class LoginTest : public ui_test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::CQtUiOptions options = m_Ui->Options();
        options.loginFailureWaitMs = 1;
        intake::SetIntakeUi(nullptr);
        m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
        intake::SetIntakeUi(m_Ui.get());
        m_Service = std::make_unique<norvel::test::ServiceProcess>();
        ASSERT_TRUE(m_Service->AddUser("alice", "pa55word"));
        for (std::u16string_view name : kHosts)
            settings::WriteString(settings::kNorvelKey, name,
                                  platform::Utf8ToWide(m_Service->HostPort()));
        intake::Session().SetLoggedIn(false);
        actions::SetLoginChallenge({});
        ui::SetLinkOpener(
            [this](const std::u16string& url) { m_Opened.push_back(ui_test::Utf8(url)); });
    }

    void TearDown() override {
        ui::SetLinkOpener(nullptr);
        UiTest::TearDown();
        m_Service.reset();
    }

    ui::CLoginDlg& Dialog() {
        Main();
        platform::WindowHandle handle = m_Ui->OpenLoginDialog();
        EXPECT_NE(handle, platform::kNoWindow);
        return *m_Ui->LoginDialog();
    }

    // Types the account and password and clicks "登录"; waits until the click is answered
    // (a successful login may close the dialog meanwhile).
    static void LogIn(ui::CLoginDlg& dlg, const QString& account, const QString& password,
                      const QString& captcha = {}) {
        dlg.AccountEdit()->setText(account);
        dlg.PasswordEdit()->setText(password);
        dlg.CaptchaEdit()->setText(captcha);
        const QPointer<ui::CLoginDlg> open(&dlg);
        QTest::mouseClick(dlg.LoginButton(), Qt::LeftButton);
        EXPECT_TRUE(open && open->Busy());
        EXPECT_TRUE(WaitFor([&] { return !open || !open->Busy(); }));
    }

    static std::optional<std::u16string> Stored(std::u16string_view name) {
        return settings::ReadString(settings::kFlingaKey, name);
    }

    std::unique_ptr<norvel::test::ServiceProcess> m_Service;
    std::vector<std::string> m_Opened;
};

TEST_F(LoginTest, LaidOutFromTheLayoutFileWithAHiddenPassword) {
    ui::CLoginDlg& dlg = Dialog();
    EXPECT_EQ(dlg.contentsRect().size(), QSize(300, 230));
    EXPECT_EQ(dlg.PasswordEdit()->echoMode(), QLineEdit::Password);
    const QPoint client = dlg.contentsRect().topLeft();
    EXPECT_EQ(dlg.AccountEdit()->geometry(), QRect(client + QPoint(94, 56), QSize(170, 24)));
    EXPECT_EQ(dlg.LoginButton()->geometry(), QRect(client + QPoint(61, 171), QSize(76, 27)));
    EXPECT_EQ(dlg.RegisterButton()->geometry(), QRect(client + QPoint(160, 171), QSize(76, 27)));
    EXPECT_FALSE(dlg.CaptchaEdit()->isVisible());
    EXPECT_TRUE(dlg.ShownError().isEmpty());
    // One at a time.
    EXPECT_EQ(m_Ui->OpenLoginDialog(), dlg.Handle());
    SaveShot(dlg, "login_empty");

    QTest::mouseClick(dlg.RegisterButton(), Qt::LeftButton);
    ASSERT_EQ(m_Opened.size(), 1u);
    EXPECT_EQ(m_Opened[0], m_Service->BaseUrl() + "/accounts/newAccount?r=flinga");
}

TEST_F(LoginTest, AWrongPasswordShowsPwderrorClearsTheFieldsAndStoresNothing) {
    ui::CLoginDlg& dlg = Dialog();
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("wrong"));
    EXPECT_EQ(dlg.ShownError(), QStringLiteral("pwderror"));
    EXPECT_TRUE(dlg.AccountEdit()->text().isEmpty());
    EXPECT_TRUE(dlg.PasswordEdit()->text().isEmpty());
    EXPECT_FALSE(Stored(settings::kUserToken));
    EXPECT_FALSE(Stored(settings::kUserName));
    EXPECT_FALSE(intake::Session().IsLoggedIn());
    SaveShot(dlg, "login_pwderror");
}

TEST_F(LoginTest, AServiceThatIsDownShowsNeterror) {
    ui::CLoginDlg& dlg = Dialog();
    m_Service->Stop();
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("pa55word"));
    EXPECT_EQ(dlg.ShownError(), QStringLiteral("neterror"));
    EXPECT_TRUE(dlg.PasswordEdit()->text().isEmpty());
    EXPECT_FALSE(Stored(settings::kUserToken));
}

TEST_F(LoginTest, AForcedCaptchaIsShownAndItsAnswerLogsIn) {
    ASSERT_TRUE(m_Service->SetSwitch("force_captcha", "1"));
    ui::CLoginDlg& dlg = Dialog();
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("pa55word"));
    ASSERT_TRUE(dlg.CaptchaShown());
    EXPECT_TRUE(dlg.CaptchaEdit()->isVisible());
    EXPECT_FALSE(dlg.CaptchaPicture().isNull());
    EXPECT_EQ(dlg.contentsRect().height(), 230 + ui::CLoginDlg::kCaptchaShift);
    EXPECT_TRUE(dlg.PasswordEdit()->text().isEmpty());  // never kept in the field
    EXPECT_FALSE(dlg.LoggedIn());
    SaveShot(dlg, "login_captcha");

    const QString answer = QString::fromStdString(m_Service->CaptchaText("alice"));
    ASSERT_FALSE(answer.isEmpty());
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("pa55word"), answer);
    EXPECT_TRUE(dlg.LoggedIn());
    EXPECT_TRUE(intake::Session().IsLoggedIn());
}

// A batch sent before the login becomes tasks after it; the login is stored as the
// remember box says, and the dialog goes.
TEST_F(LoginTest, TheLoginStoresItselfAndTheWaitingBatchGoesOn) {
    Main();
    const intake::RequestBatch batch = UploadBatch({"before.txt"});
    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() != nullptr; }));
    EXPECT_EQ(intake::BatchesWaitingForLogin(), 1u);
    ui::CLoginDlg& dlg = *m_Ui->LoginDialog();
    EXPECT_EQ(intake::LoginWindow(), dlg.Handle());
    dlg.RememberBox()->setChecked(false);
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("pa55word"));
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() == nullptr; }));
    EXPECT_TRUE(intake::Session().IsLoggedIn());
    EXPECT_FALSE(intake::Session().IsLoginDialogShown());
    EXPECT_EQ(intake::BatchesWaitingForLogin(), 0u);
    ASSERT_TRUE(WaitFor(
        [&] { return intake::TaskIds().size() == 1 && Rows().HasRow(intake::TaskIds()[0]); }));
    EXPECT_EQ(Stored(settings::kUserName), u"alice");
    EXPECT_FALSE(Stored(settings::kUserToken).value_or(u"").empty());
    EXPECT_FALSE(Stored(settings::kUserId).value_or(u"").empty());
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kKeepLogin), 0u);
    EXPECT_TRUE(settings::ReadDword(settings::kFlingaKey, settings::kSystemStartTime));
}

TEST_F(LoginTest, WithTheRememberBoxTheBootTimeIsNotKept) {
    ui::CLoginDlg& dlg = Dialog();
    intake::SetLoginWindow(dlg.Handle());
    dlg.RememberBox()->setChecked(true);
    LogIn(dlg, QStringLiteral("alice"), QStringLiteral("pa55word"));
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() == nullptr; }));
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kKeepLogin), 1u);
    EXPECT_FALSE(settings::ReadDword(settings::kFlingaKey, settings::kSystemStartTime));
}

}  // namespace

namespace {

// The account commands from outside: log in again opens the dialog (once), log out
// forgets the stored login and closes the program.
TEST_F(LoginTest, AccountCommandsOpenTheDialogOrLogOut) {
    ui::CuploadDlg& main = Main();
    main.WindowProc(intake::WM_ACCOUNT_COMMAND, intake::kAccountLogin, intake::kAccountLogInAgain);
    ASSERT_NE(m_Ui->LoginDialog(), nullptr);
    EXPECT_TRUE(m_Ui->LoginDialog()->isVisible());
    EXPECT_EQ(intake::LoginWindow(), m_Ui->LoginDialog()->Handle());
    ui::CLoginDlg* first = m_Ui->LoginDialog();
    main.WindowProc(intake::WM_ACCOUNT_COMMAND, intake::kAccountLogin, intake::kAccountLogInAgain);
    EXPECT_EQ(m_Ui->LoginDialog(), first);

    settings::WriteString(settings::kFlingaKey, settings::kUserToken, u"tok");
    settings::WriteString(settings::kFlingaKey, settings::kUserName, u"alice");
    main.WindowProc(intake::WM_ACCOUNT_COMMAND, intake::kAccountLogin, intake::kAccountLogOut);
    EXPECT_FALSE(Stored(settings::kUserToken));
    EXPECT_FALSE(Stored(settings::kUserName));
    EXPECT_THAT(m_Messages, ::testing::Contains("|注销，退出程序！！！"));
    EXPECT_GE(m_HostCloses, 1);
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() == nullptr; }));
}

}  // namespace

namespace {

// However the dialog is closed, a later request may open one again.
TEST_F(LoginTest, EscapeClosesTheDialogForGood) {
    Main();
    const intake::RequestBatch batch = UploadBatch({"waits.txt"});
    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() != nullptr; }));
    QTest::keyClick(m_Ui->LoginDialog(), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() == nullptr; }));
    EXPECT_FALSE(intake::Session().IsLoginDialogShown());
    EXPECT_EQ(intake::LoginWindow(), platform::kNoWindow);
    EXPECT_EQ(intake::BatchesWaitingForLogin(), 1u);  // it waits for the next login

    SetUpLoadTask(&batch, platform::kNoWindow);
    ASSERT_TRUE(WaitFor([&] { return m_Ui->LoginDialog() != nullptr; }));
    EXPECT_EQ(intake::BatchesWaitingForLogin(), 2u);
}

}  // namespace
