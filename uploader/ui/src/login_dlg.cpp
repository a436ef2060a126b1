// The login dialog: its controls laid out from "UI.ini", the painted texts and links,
// and the closing.

#include "ui/login_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "actions/auth_action.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "ui/dialog_skin.h"
#include "ui/ini_place.h"
#include "ui/link_opener.h"
#include "ui/picture_region.h"
#include "ui/qt_intake_ui.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

constexpr int kTextPoints = 10;
constexpr int kCaptchaTop = 120;  // elements from here down move below the captcha row
constexpr std::u16string_view kTitle = u"Norvel网盘Flinga";
// The referral of the registration page.
constexpr std::u16string_view kReferral = u"flinga";

}  // namespace

CLoginDlg::CLoginDlg(CQtIntakeUi& ui, bool keepLogin)
    : QDialog(nullptr),
      m_Ui(ui),
      m_AuthAction(std::make_shared<actions::CAuthAction>()),
      m_Window(
          *this,
          [this](uint32_t message, platform::WParam w, platform::LParam l) {
              return WindowProc(message, w, l);
          },
          std::u16string(kTitle)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    if (!UiImages().appIcon.isNull())
        setWindowIcon(QIcon(UiImages().appIcon));
    MakeControls(keepLogin);
    m_Skin = CDialogSkin::Apply(this, QStringLiteral("login"));
    m_ContactIcon = LoadSkinPicture(u"others/qq.png");
    LayOut();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

CLoginDlg::~CLoginDlg() {
    m_Window.Close();
}

void CLoginDlg::MakeControls(bool keepLogin) {
    m_AccountEdit = new QLineEdit(this);
    m_AccountEdit->setAccessibleName(QStringLiteral("帐号"));
    m_AccountEdit->setText(QString::fromStdU16String(settings::GetUserName()));
    m_PasswordEdit = new QLineEdit(this);
    m_PasswordEdit->setEchoMode(QLineEdit::Password);
    m_PasswordEdit->setAccessibleName(QStringLiteral("密码"));
    m_CaptchaEdit = new QLineEdit(this);
    m_CaptchaEdit->setAccessibleName(QStringLiteral("验证码"));
    m_CaptchaEdit->setMaxLength(16);
    m_CaptchaLabel = new QLabel(this);
    m_CaptchaLabel->setAlignment(Qt::AlignCenter);
    m_CaptchaLabel->setStyleSheet(
        QStringLiteral("QLabel { border: 1px solid #B8D3F0; background: #EEF2F6; }"));
    m_Remember = new QCheckBox(this);
    m_Remember->setAccessibleName(QStringLiteral("记住密码"));
    const auto kept = settings::ReadDword(settings::kFlingaKey, settings::kKeepLogin);
    m_Remember->setChecked(keepLogin || (kept && *kept != 0));
    m_LoginButton = new QPushButton(QStringLiteral("登录"), this);
    m_RegisterButton = new QPushButton(QStringLiteral("注册"), this);
    connect(m_LoginButton, &QAbstractButton::clicked, this, [this] { Login(); });
    connect(m_RegisterButton, &QAbstractButton::clicked, this, [] {
        OpenLink(settings::BaseUrl(settings::GetLoginHost()) + u"/accounts/newAccount?r=" +
                 std::u16string(kReferral));
    });
    for (QLineEdit* edit : {m_AccountEdit, m_PasswordEdit, m_CaptchaEdit})
        connect(edit, &QLineEdit::returnPressed, this, [this] { Login(); });
    setTabOrder(m_AccountEdit, m_PasswordEdit);
    setTabOrder(m_PasswordEdit, m_CaptchaEdit);
    setTabOrder(m_CaptchaEdit, m_Remember);
}

QPoint CLoginDlg::ClientOffset() const {
    return contentsRect().topLeft();
}

// Below the captcha row everything moves down while the row is shown.
QPoint CLoginDlg::CaptchaShift(std::u16string_view section) const {
    const bool below = m_CaptchaShown && IniPos(section).y() >= kCaptchaTop &&
                       section != u"CaptchaEdit" && section != u"CaptchaImage" &&
                       section != u"CaptchaText";
    return QPoint(0, below ? kCaptchaShift : 0);
}

// Where a layout section's element goes: the client area's corner, and the captcha shift.
QPoint CLoginDlg::ShiftOf(std::u16string_view section) const {
    return ClientOffset() + CaptchaShift(section);
}

void CLoginDlg::LayOut() {
    // The layout's size is the client area's; the frame goes around it.
    const QSize size = IniSize(u"loginDlg");
    const QMargins frame = contentsMargins();
    setFixedSize(
        size.width() + frame.left() + frame.right(),
        size.height() + frame.top() + frame.bottom() + (m_CaptchaShown ? kCaptchaShift : 0));
    IniPlace(u"AccountEdit", *m_AccountEdit, false, ShiftOf(u"AccountEdit"));
    IniPlace(u"PwdEdit", *m_PasswordEdit, false, ShiftOf(u"PwdEdit"));
    IniPlace(u"RemCheckbox", *m_Remember, false, ShiftOf(u"RemCheckbox"));
    IniPlace(u"LoginButton", *m_LoginButton, false, ShiftOf(u"LoginButton"));
    PlaceInClient(*m_LoginButton, QRect(61, 171, 76, 27), CaptchaShift(u"LoginButton"));
    PlaceInClient(*m_RegisterButton, QRect(160, 171, 76, 27), CaptchaShift(u"LoginButton"));
    IniPlace(u"CaptchaEdit", *m_CaptchaEdit, false, ShiftOf(u"CaptchaEdit"));
    IniPlace(u"CaptchaImage", *m_CaptchaLabel, false, ShiftOf(u"CaptchaImage"));
    m_CaptchaEdit->setVisible(m_CaptchaShown);
    m_CaptchaLabel->setVisible(m_CaptchaShown);
    setMask(RoundedRegion(this->size(), 2));  // rounded corners, two pixels
    update();
}

QString CLoginDlg::ShownError() const {
    if (!m_IdentityOk || m_Failure == Failure::Network)
        return QStringLiteral("neterror");
    return m_Failure == Failure::Password ? QStringLiteral("pwderror") : QString();
}

bool CLoginDlg::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    return QDialog::event(event);
}

void CLoginDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (std::u16string_view section : {u"AccountText", u"PwdText", u"RemText"})
        IniDrawText(section, p, kTextPoints, ShiftOf(section));
    if (m_CaptchaShown)
        IniDrawText(u"CaptchaText", p, kTextPoints, ShiftOf(u"CaptchaText"));
    m_VisitRect = IniDrawText(u"visitText", p, kTextPoints, ShiftOf(u"visitText"));
    m_ContactRect = IniDrawText(u"registerText", p, kTextPoints, ShiftOf(u"registerText"));
    if (!m_ContactIcon.isNull())
        p.drawPixmap(m_ContactRect.left() - m_ContactIcon.width() - 1, m_ContactRect.top() - 3,
                     m_ContactIcon);
    p.setPen(IniColour(u"visitText"));
    if (m_VisitHover)
        p.drawLine(m_VisitRect.left() + 3, m_VisitRect.bottom() - 3, m_VisitRect.right() - 2,
                   m_VisitRect.bottom() - 3);
    if (m_ContactHover)
        p.drawLine(m_ContactRect.left() + 1, m_ContactRect.bottom() - 3, m_ContactRect.right() - 4,
                   m_ContactRect.bottom() - 3);
    const QString error = ShownError();
    if (!error.isEmpty())
        IniDrawText(error.toStdU16String(), p, kTextPoints, ShiftOf(error.toStdU16String()));
}

void CLoginDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const bool visit = m_VisitRect.contains(point);
    const bool contact = m_ContactRect.contains(point);
    setCursor(visit || contact ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (visit != m_VisitHover || contact != m_ContactHover) {
        m_VisitHover = visit;
        m_ContactHover = contact;
        update();
    }
    QDialog::mouseMoveEvent(event);
}

void CLoginDlg::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const std::u16string web = settings::BaseUrl(settings::GetWebHost());
    if (event->button() == Qt::LeftButton && m_VisitRect.contains(point))
        OpenLink(web + u"/");
    else if (event->button() == Qt::LeftButton && m_ContactRect.contains(point))
        OpenLink(web + u"/contact");
    QDialog::mouseReleaseEvent(event);
}

void CLoginDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseDialog();
}

// Escape, the frame's close button and the desktop's close all end the dialog for good.
void CLoginDlg::reject() {
    CloseDialog();
}
void CLoginDlg::done(int) {
    CloseDialog();
}

// The window goes at once; the object when the event loop is back (a step still running
// finds it gone and is dropped).
void CLoginDlg::CloseDialog() {
    if (m_Closed)
        return;
    m_Closed = true;
    if (intake::LoginWindow() == Handle())
        intake::SetLoginWindow(platform::kNoWindow);
    m_Window.Close();
    intake::Session().ReleaseLoginDialog();
    hide();
    deleteLater();
}

}  // namespace ui
