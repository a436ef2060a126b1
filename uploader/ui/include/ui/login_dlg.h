#pragma once

// The login dialog: account, password (never echoed, cleared after every attempt), the
// remember box, "登录" and "注册", the links to the web site and to the support contact,
// and the captcha row when the service asks for one. Skinned with the "login" folder and
// laid out from "UI.ini". One at a time; its handle is the login window of intake, so
// the main window completes it (WM_USERINFO_DONE 1: the login is stored) and closes it.
//
// A click runs the login off the user-interface thread; a failure shows its text
// ("pwderror" or "neterror") half a second later, with both fields cleared.

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <memory>
#include <string>

#include "ui/window_registration.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace actions {
class CAuthAction;
}

namespace ui {

class CDialogSkin;
class CQtIntakeUi;
struct CLoginStep;

class CLoginDlg final : public QDialog {
public:
    static constexpr int kCaptchaShift = 36;  // the captcha row moves what lies below it

    // keepLogin: the remember box starts checked (else it shows "KEEP_LOGIN").
    explicit CLoginDlg(CQtIntakeUi& ui, bool keepLogin = false);
    ~CLoginDlg() override;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }
    QLineEdit* AccountEdit() const { return m_AccountEdit; }
    QLineEdit* PasswordEdit() const { return m_PasswordEdit; }
    QLineEdit* CaptchaEdit() const { return m_CaptchaEdit; }
    QCheckBox* RememberBox() const { return m_Remember; }
    QPushButton* LoginButton() const { return m_LoginButton; }
    QPushButton* RegisterButton() const { return m_RegisterButton; }
    // The section of the failure text shown: "pwderror", "neterror" or empty.
    QString ShownError() const;
    bool CaptchaShown() const { return m_CaptchaShown; }
    QImage CaptchaPicture() const { return m_CaptchaPicture; }
    bool Busy() const { return m_Busy; }
    bool LoggedIn() const { return m_LoggedIn; }
    QRect VisitRect() const { return m_VisitRect; }
    QRect ContactRect() const { return m_ContactRect; }

    // The "登录" button.
    void Login();

    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void done(int result) override;

private:
    enum class Failure { None, Password, Network };

    void MakeControls(bool keepLogin);
    void LayOut();
    QPoint ShiftOf(std::u16string_view section) const;
    QPoint CaptchaShift(std::u16string_view section) const;
    void OnStep(const CLoginStep& step);
    void OnLoggedIn(const CLoginStep& step);
    void ShowFailure(Failure failure);
    void ShowCaptcha(const CLoginStep& step);
    void Complete();
    void CloseDialog();
    QPoint ClientOffset() const;

    CQtIntakeUi& m_Ui;
    std::shared_ptr<actions::CAuthAction> m_AuthAction;
    QString m_Account;
    std::u16string m_Token;  // the successful login's token, for the completion
    bool m_IdentityOk = true;
    Failure m_Failure = Failure::None;
    bool m_Busy = false;
    bool m_LoggedIn = false;
    bool m_Closed = false;
    bool m_CaptchaShown = false;
    QImage m_CaptchaPicture;
    QRect m_VisitRect, m_ContactRect;
    bool m_VisitHover = false, m_ContactHover = false;
    QPixmap m_ContactIcon;
    QLineEdit* m_AccountEdit = nullptr;
    QLineEdit* m_PasswordEdit = nullptr;
    QLineEdit* m_CaptchaEdit = nullptr;
    QLabel* m_CaptchaLabel = nullptr;
    QCheckBox* m_Remember = nullptr;
    QPushButton* m_LoginButton = nullptr;
    QPushButton* m_RegisterButton = nullptr;
    CDialogSkin* m_Skin = nullptr;
    CWindowRegistration m_Window;  // last: messages may come once it exists
};

}  // namespace ui
