// The login dialog's login: the click, the step on its own thread, its outcome, and the
// completion that stores the login.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "actions/auth_action.h"
#include "captcha_picture.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "login_step.h"
#include "settings/settings.h"
#include "ui/login_dlg.h"
#include "ui/qt_intake_ui.h"
#include "ui/qt_message_loop.h"
#include "ui/ui_actions.h"

namespace ui {
namespace {

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

// Overwrites what the field held before clearing it.
void ClearSecret(QLineEdit& edit) {
    edit.setText(QString(edit.text().size(), u' '));
    edit.clear();
}

}  // namespace

void CLoginDlg::Login() {
    if (m_Busy || m_LoggedIn || m_Closed)
        return;
    m_Busy = true;
    m_LoginButton->setEnabled(false);
    m_Account = m_AccountEdit->text().trimmed();
    std::u16string password = U16(m_PasswordEdit->text());
    const std::u16string captcha =
        m_CaptchaShown ? U16(m_CaptchaEdit->text().trimmed()) : std::u16string();
    const bool answering = m_CaptchaShown && !captcha.empty();
    ClearSecret(*m_PasswordEdit);
    QPointer<CLoginDlg> self(this);
    CQtMessageLoop* loop = &QtLoop();
    m_Ui.Background().Run([self, loop, action = m_AuthAction, account = U16(m_Account),
                           password = std::move(password), captcha, answering]() mutable {
        auto step = std::make_shared<CLoginStep>(
            RunLoginStep(*action, std::move(account), std::move(password), captcha, answering));
        loop->Post([self, step] {
            if (self)
                self->OnStep(*step);
        });
    });
}

void CLoginDlg::OnStep(const CLoginStep& step) {
    if (m_Closed)
        return;
    using Kind = CLoginStep::Kind;
    switch (step.kind) {
        case Kind::LoggedIn:
            OnLoggedIn(step);
            return;
        case Kind::Captcha:
            // The service asks again: a fresh action goes on with the new challenge.
            m_AuthAction = std::make_shared<actions::CAuthAction>();
            ShowCaptcha(step);
            return;
        case Kind::WrongPassword:
            ShowFailure(Failure::Password);
            return;
        case Kind::TryAgain:
            m_AuthAction = std::make_shared<actions::CAuthAction>();
            ShowFailure(Failure::Network);
            return;
        case Kind::NoIdentity:
            m_IdentityOk = false;
            ShowFailure(Failure::Network);
            return;
        case Kind::NetError:
            ShowFailure(Failure::Network);
            return;
    }
}

// After a short pause, so that the click is seen to have done something: the fields are
// cleared and the failure's text shows.
void CLoginDlg::ShowFailure(Failure failure) {
    QTimer::singleShot(m_Ui.Options().loginFailureWaitMs, this, [this, failure] {
        m_Failure = failure;
        m_AccountEdit->clear();
        ClearSecret(*m_PasswordEdit);
        m_CaptchaEdit->clear();
        m_Busy = false;
        m_LoginButton->setEnabled(true);
        m_AccountEdit->setFocus();
        update();
    });
}

void CLoginDlg::ShowCaptcha(const CLoginStep& step) {
    m_CaptchaPicture = CaptchaImage(step.captchaBytes);
    if (!m_CaptchaPicture.isNull()) {
        m_CaptchaLabel->setPixmap(QPixmap::fromImage(m_CaptchaPicture.scaled(
            m_CaptchaLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } else {
        // No picture came: its address is the best that can be offered.
        m_CaptchaLabel->setText(QString::fromStdU16String(step.captchaUrl));
    }
    const bool wasShown = m_CaptchaShown;
    m_CaptchaShown = true;
    m_Failure = wasShown ? Failure::Password : Failure::None;  // a wrong answer
    m_CaptchaEdit->clear();
    LayOut();
    m_Busy = false;
    m_LoginButton->setEnabled(true);
    if (m_PasswordEdit->text().isEmpty())
        m_PasswordEdit->setFocus();
    else
        m_CaptchaEdit->setFocus();
}

// Logged in: the user information is asked for, and its answer (WM_USERINFO_DONE
// kUserInfoAfterLogin to the main window) completes the dialog.
void CLoginDlg::OnLoggedIn(const CLoginStep& step) {
    m_Token = step.token;
    m_LoggedIn = true;
    m_Busy = false;
    m_Failure = Failure::None;
    intake::Session().SetLoggedIn(true);
    settings::SetUserName(U16(m_Account));
    m_CaptchaEdit->clear();
    update();
    m_Ui.Background().Run([] {
        RunUserInfoQuery();
        const platform::WindowHandle main = intake::MainWindow();
        if (platform::IsWindow(main))
            platform::PostMessage(main, intake::WM_USERINFO_DONE, intake::kUserInfoAfterLogin, 0);
    });
}

void CLoginDlg::Complete() {
    if (!m_LoggedIn)
        return;
    settings::LoginCompletion login;
    login.keepLogin = m_Remember->isChecked();
    login.userName = U16(m_Account);
    login.token = m_Token;
    login.userIdUtf8 = settings::GetUserId();
    if (!settings::SaveLoginCompletion(login))
        m_Ui.ShowMessage(u"Save Reg ERROR", u"");
    std::fill(m_Token.begin(), m_Token.end(), u'\0');
    m_Token.clear();
}

platform::LResult CLoginDlg::WindowProc(uint32_t message, platform::WParam wParam,
                                        platform::LParam) {
    if (message == platform::WM_CLOSE)
        CloseDialog();
    else if (message == intake::WM_USERINFO_DONE && wParam == intake::kUserInfoAfterLogin)
        Complete();
    return 0;
}

}  // namespace ui
