#include "ui/settings_dlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "ui/autostart_entry.h"
#include "ui/dialog_skin.h"
#include "ui/dlg_message.h"
#include "ui/ini_place.h"
#include "ui/settings_values.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

constexpr QSize kClient(360, 404);
constexpr int kAccountRefreshMs = 1000;
const QColor kHeading(0x0B, 0x7B, 0xE9);
const QColor kRule(0xDC, 0xE6, 0xF0);

QPointer<CSettingsDlg>& OpenOne() {
    static QPointer<CSettingsDlg> open;
    return open;
}

CSettingsDlgOptions WithDefaults(CSettingsDlgOptions options) {
    if (!options.tell)
        options.tell = [](const QString& text) { ShowMessageDialog(text); };
    if (options.launcherPath.isEmpty())
        options.launcherPath = InstalledLauncherPath();
    return options;
}

QLabel* Label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(UiFont(QStringLiteral("宋体"), 12));
    return label;
}

// The section headings and their rules: (top, text).
const std::array<std::pair<int, QString>, 3>& Sections() {
    static const std::array<std::pair<int, QString>, 3> sections{{
        {12, QStringLiteral("服务器地址（留空使用默认服务）")},
        {160, QStringLiteral("账户")},
        {226, QStringLiteral("上传与提示")},
    }};
    return sections;
}

}  // namespace

CSettingsDlg* CSettingsDlg::Instance() {
    return OpenOne().data();
}

CSettingsDlg* CSettingsDlg::Open(CSettingsDlgOptions options) {
    CSettingsDlg* page = OpenOne().data();
    if (!page) {
        page = new CSettingsDlg(WithDefaults(std::move(options)));
        OpenOne() = page;
    }
    page->show();
    page->raise();
    page->activateWindow();
    return page;
}

CSettingsDlg::CSettingsDlg(CSettingsDlgOptions options) : m_Options(std::move(options)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("设置"));
    for (size_t i = 0; i < m_Hosts.size(); ++i) {
        m_Hosts[i] = new QLineEdit(this);
        m_Hosts[i]->setFont(UiFont(QStringLiteral("宋体"), 12));
        m_Hosts[i]->setPlaceholderText(
            QString::fromUtf16(settings::kDefaultServiceHost.data(),
                               static_cast<qsizetype>(settings::kDefaultServiceHost.size())));
    }
    m_User = Label({}, this);
    m_Account = new QPushButton(QStringLiteral("注销"), this);
    m_Speed = new QLineEdit(this);
    m_Speed->setFont(UiFont(QStringLiteral("宋体"), 12));
    m_AutoCopy = new QCheckBox(QStringLiteral("生成外链后自动复制到剪贴板"), this);
    m_Autostart = new QCheckBox(QStringLiteral("登录桌面时自动启动"), this);
    for (QCheckBox* box : {m_AutoCopy, m_Autostart})
        box->setFont(UiFont(QStringLiteral("宋体"), 12));
    m_Tips = new QPushButton(QStringLiteral("重新显示提示"), this);
    m_Ok = new QPushButton(QStringLiteral("确定"), this);
    m_Cancel = new QPushButton(QStringLiteral("取消"), this);
    CDialogSkin::Apply(this, QStringLiteral("others"),
                       {{QStringLiteral("重新显示提示"), QStringLiteral("Botton92")},
                        {QStringLiteral("注销"), QStringLiteral("Botton1")}});
    connect(m_Ok, &QAbstractButton::clicked, this, [this] {
        if (Apply())
            close();
    });
    connect(m_Cancel, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_Account, &QAbstractButton::clicked, this, [this] { OnAccount(); });
    connect(m_Tips, &QAbstractButton::clicked, this, [this] {
        if (ResetMiniTips() && m_Options.tipsReset)
            m_Options.tipsReset();
        m_Tips->setEnabled(false);
    });
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] { RefreshAccount(); });
    refresh->start(kAccountRefreshMs);
    setFixedSize(kClient.grownBy(contentsMargins()));
    Place();
    Load();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CSettingsDlg::Place() {
    for (size_t i = 0; i < m_Hosts.size(); ++i) {
        const int top = 36 + static_cast<int>(i) * 28;
        PlaceInClient(*Label(HostLabels()[i], this), QRect(20, top + 3, 80, 16));
        PlaceInClient(*m_Hosts[i], QRect(104, top, 236, 22));
    }
    PlaceInClient(*m_User, QRect(20, 189, 220, 16));
    PlaceInClient(*m_Account, QRect(264, 184, 76, 25));
    PlaceInClient(*Label(QStringLiteral("上传限速"), this), QRect(20, 253, 80, 16));
    PlaceInClient(*m_Speed, QRect(104, 250, 70, 22));
    PlaceInClient(*Label(QStringLiteral("KB/s（0 为不限速）"), this), QRect(182, 253, 160, 16));
    PlaceInClient(*m_AutoCopy, QRect(18, 282, 300, 18));
    PlaceInClient(*m_Autostart, QRect(18, 306, 300, 18));
    PlaceInClient(*m_Tips, QRect(20, 332, 92, 25));
    PlaceInClient(*m_Ok, QRect(184, 366, 76, 27));
    PlaceInClient(*m_Cancel, QRect(266, 366, 76, 27));
}

void CSettingsDlg::Load() {
    const CSettingsValues values = CSettingsValues::Load();
    for (size_t i = 0; i < m_Hosts.size(); ++i)
        m_Hosts[i]->setText(values.hosts[i]);
    m_Speed->setText(values.uploadKBps);
    m_AutoCopy->setChecked(values.autoClipboard);
    m_Autostart->setChecked(values.autostart);
    RefreshAccount();
}

void CSettingsDlg::RefreshAccount() {
    const bool loggedIn = intake::Session().IsLoggedIn();
    const QString name = QString::fromStdU16String(settings::GetUserName());
    m_User->setText(!loggedIn        ? QStringLiteral("未登录")
                    : name.isEmpty() ? QStringLiteral("已登录")
                                     : QStringLiteral("当前账户：%1").arg(name));
    m_Account->setText(loggedIn ? QStringLiteral("注销") : QStringLiteral("登录"));
}

// The tray's account command: the main window logs out, or opens the login dialog.
void CSettingsDlg::OnAccount() {
    const platform::WindowHandle main = intake::MainWindow();
    if (!platform::IsWindow(main))
        return;
    platform::PostMessage(
        main, intake::WM_ACCOUNT_COMMAND, intake::kAccountLogin,
        intake::Session().IsLoggedIn() ? intake::kAccountLogOut : intake::kAccountLogInAgain);
}

bool CSettingsDlg::Apply() {
    CSettingsValues values;
    for (size_t i = 0; i < m_Hosts.size(); ++i)
        values.hosts[i] = m_Hosts[i]->text();
    values.uploadKBps = m_Speed->text();
    values.autoClipboard = m_AutoCopy->isChecked();
    values.autostart = m_Autostart->isChecked();
    if (const QString problem = values.Check(); !problem.isEmpty()) {
        m_Options.tell(problem);
        return false;
    }
    if (!values.Save(m_Options.launcherPath)) {
        m_Options.tell(QStringLiteral("设置保存失败"));
        return false;
    }
    return true;
}

void CSettingsDlg::showEvent(QShowEvent* event) {
    RefreshAccount();
    QDialog::showEvent(event);
}

void CSettingsDlg::paintEvent(QPaintEvent*) {
    const QRect client = contentsRect();
    QPainter p(this);
    p.fillRect(client, Qt::white);
    p.translate(client.topLeft());
    p.setFont(UiFont(QStringLiteral("宋体"), 12));
    for (const auto& [top, text] : Sections()) {
        p.setPen(kHeading);
        p.drawText(QRect(14, top, 330, 16), Qt::AlignLeft | Qt::AlignVCenter, text);
        p.setPen(kRule);
        p.drawLine(14, top + 19, client.width() - 14, top + 19);
    }
}

}  // namespace ui
