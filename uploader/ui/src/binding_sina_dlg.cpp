#include "ui/binding_sina_dlg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "actions/weibo_action.h"
#include "intake/intake_ui.h"
#include "platform/text.h"
#include "ui/dialog_skin.h"
#include "ui/dlg_message.h"
#include "ui/ini_place.h"
#include "ui/link_opener.h"
#include "ui/qt_intake_ui.h"
#include "ui/skin_drawing.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

const QColor kGradientEnd(0xD6, 0xE0, 0xEA);
const QColor kDark(51, 51, 51);
const QColor kGrey(131, 131, 131);
const QColor kLinkColour(12, 124, 241);
constexpr QSize kClient(300, 130);

// One look: the status operation without the second try, which would hold up the dialog.
int QueryOnce() {
    return actions::CSinaWeiboAction(actions::WeiboOperation::Status).Execute();
}

int DefaultBindUrl(std::string& url) {
    return actions::BindWeibo(url);
}

int DefaultCheckBound() {
    return actions::QueryWeiboAccount().result;
}

bool DefaultAskAgain() {
    return ShowMessageDialog(QStringLiteral("新浪微博绑定失败，是\n否重新绑定？"), {},
                             CDlgMessage::RetryCancel) == 1;
}

// On a thread of the interface's background work, joined before the library goes; on
// this thread when there is no such interface.
void RunAway(std::function<void()> work) {
    if (auto* qtUi = dynamic_cast<CQtIntakeUi*>(&intake::IntakeUi()))
        qtUi->Background().Run(std::move(work));
    else
        work();
}

int RunModally(CBindingSinaDlg& dialog) {
    return dialog.exec();
}

}  // namespace

CBindingSinaDlg::CBindingSinaDlg(std::u16string url, CBindingWaitOptions options, QWidget* parent)
    : QDialog(parent), m_Url(std::move(url)), m_Options(std::move(options)) {
    if (!m_Options.queryStatus)
        m_Options.queryStatus = &QueryOnce;
    setWindowTitle(QStringLiteral("Norvel网盘绑定sina微博"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    m_Icon = LoadSharpSkinPicture(u"others/sina_ico.png");
    m_Cancel = new QPushButton(QStringLiteral("取消"), this);
    m_Reopen = new CTextLink(QStringLiteral("重新打开绑定页面"), UiFont(QStringLiteral("宋体"), 12),
                             kLinkColour, this);
    CDialogSkin::Apply(this, QStringLiteral("others"));
    setFixedSize(kClient.grownBy(contentsMargins()));
    PlaceInClient(*m_Cancel, QRect(112, 92, 76, 27));
    m_Reopen->PlaceAt(contentsRect().topLeft() + QPoint(16, 66));
    connect(m_Cancel, &QAbstractButton::clicked, this, [this] { done(kGaveUp); });
    connect(m_Reopen, &QAbstractButton::clicked, this, [this] { OpenLink(m_Url); });
    m_Timer.setInterval(m_Options.pollMs);
    connect(&m_Timer, &QTimer::timeout, this, [this] { Poll(); });
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CBindingSinaDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_Opened)
        return;
    m_Opened = true;
    OpenLink(m_Url);
    m_Clock.start();
    m_Timer.start();
}

void CBindingSinaDlg::Poll() {
    if (m_Clock.elapsed() >= m_Options.limitMs) {
        done(kGaveUp);
        return;
    }
    if (m_Asking)
        return;
    m_Asking = true;
    ++m_Polls;
    RunAway([query = m_Options.queryStatus, self = QPointer<CBindingSinaDlg>(this)] {
        const int result = query();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, result] {
                if (self)
                    self->OnPollResult(result);
            },
            Qt::QueuedConnection);
    });
}

// A result that comes after the wait ended (cancelled, timed out) changes nothing.
void CBindingSinaDlg::OnPollResult(int result) {
    m_Asking = false;
    if (result == 0 && m_Timer.isActive())
        done(kBound);
}

// Every way out (the button, Escape, the frame's close button) stops the polling first.
void CBindingSinaDlg::done(int result) {
    m_Timer.stop();
    QDialog::done(result);
}

void CBindingSinaDlg::paintEvent(QPaintEvent*) {
    const QRect client = contentsRect();
    QPainter p(this);
    FillClientGradient(p, client, kGradientEnd);
    p.translate(client.topLeft());
    if (!m_Icon.isNull())
        p.drawPixmap(16, 16, m_Icon);
    p.setFont(UiFont(QStringLiteral("宋体"), 12));
    p.setPen(kDark);
    p.drawText(QRect(38, 17, 250, 16), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("已在浏览器中打开绑定页面"));
    p.setPen(kGrey);
    p.drawText(QRect(16, 42, 270, 16), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("请在页面中完成授权，绑定后本窗口自动关闭"));
}

int RunWeiboBinding(QWidget* parent, const CWeiboBindingHooks& hooks) {
    const auto bindUrl = hooks.bindUrl ? hooks.bindUrl : &DefaultBindUrl;
    const auto checkBound = hooks.checkBound ? hooks.checkBound : &DefaultCheckBound;
    const auto askAgain = hooks.askAgain ? hooks.askAgain : &DefaultAskAgain;
    const auto runWait = hooks.runWait ? hooks.runWait : &RunModally;
    for (;;) {
        std::string url;
        if (bindUrl(url) == 0 && !url.empty()) {
            CBindingSinaDlg wait(platform::Utf8ToWide(url), hooks.wait, parent);
            runWait(wait);
        }
        if (checkBound() == 0)
            return 0;
        if (!askAgain())
            return -1;
    }
}

}  // namespace ui
