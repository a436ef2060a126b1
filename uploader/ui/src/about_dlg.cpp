#include "ui/about_dlg.h"

#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "tools/module_version.h"
#include "ui/dialog_skin.h"
#include "ui/link_opener.h"
#include "ui/picture_region.h"
#include "ui/skin_drawing.h"
#include "ui/skin_files.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

constexpr QSize kSize(407, 224);
const QColor kGradientEnd(0xDC, 0xEB, 0xD7);
const QColor kRule(0xBC, 0xBC, 0xBC);
const QColor kSiteColour(0x0B, 0x7B, 0xE9);

QPointer<CAboutDlg>& OpenOne() {
    static QPointer<CAboutDlg> open;
    return open;
}

QString SiteText() {
    const settings::ServiceHost web = settings::GetWebHost();
    const QString host = QString::fromStdU16String(web.host);
    const bool defaultPort = web.port == (web.https ? 443 : 80);
    return defaultPort ? host : host + ":" + QString::number(web.port);
}

}  // namespace

CAboutDlg* CAboutDlg::Instance() {
    return OpenOne().data();
}

int CAboutDlg::ShowAbout(QWidget* parent) {
    if (CAboutDlg* open = Instance()) {
        open->raise();
        open->activateWindow();
        return 0;
    }
    auto* box = new CAboutDlg(parent);
    OpenOne() = box;
    const int result = box->exec();
    delete box;
    return result;
}

const QString& CAboutDlg::VersionText() {
    static const QString version = [] {
        std::u16string text, special;
        tools::GetModuleVersion(settings::GetHostProgramPath(), text, special);
        return QString::fromStdU16String(text);
    }();
    return version;
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent), m_Banner(LoadSharpSkinPicture(skin::kAboutBanner.file)) {
    setWindowTitle(QStringLiteral(" 关于"));
    m_Ok = new QPushButton(QStringLiteral("确定"), this);
    m_Ok->resize(68, 27);
    connect(m_Ok, &QAbstractButton::clicked, this, [this] { done(1); });
    // Holds the focus out of sight, so that no focus frame shows at the start.
    m_FocusPark = new QPushButton(this);
    m_FocusPark->setGeometry(-10, -10, 1, 1);
    m_FocusPark->setAccessibleName(QStringLiteral("关于"));
    m_Skin = CDialogSkin::Apply(this, QStringLiteral("others"),
                                {{QStringLiteral("确定"), QStringLiteral("Botton2")}});
    m_Link = new CTextLink(SiteText(), UiFont(QStringLiteral("Arial"), 16), kSiteColour, this);
    connect(m_Link, &QAbstractButton::clicked, this,
            [] { OpenLink(settings::BaseUrl(settings::GetWebHost()) + u"/"); });
    setFixedSize(kSize);
    Place();
    m_FocusPark->setFocus();
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::Place() {
    const QRect client = contentsRect();
    m_Ok->move(client.left() + client.width() - 80, client.top() + client.height() - 32);
    m_Link->PlaceAt(client.topLeft() + QPoint(90, 130));
    setMask(RoundedRegion(size(), 2));  // rounded corners, two pixels
}

void CAboutDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Place();
}

void CAboutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Place();
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    const QRect client = contentsRect();
    QPainter p(this);
    FillClientGradient(p, client, kGradientEnd);
    p.setClipRect(client);
    p.translate(client.topLeft());
    if (!m_Banner.isNull())
        p.drawPixmap((client.width() - CSkinTheme::PictureWidth(m_Banner)) / 2, 0, m_Banner);
    p.setFont(UiFont(QStringLiteral("宋体"), 12));
    p.setPen(Qt::black);
    const int line = p.fontMetrics().height() + 3;
    p.drawText(QRect(34, 92, client.width() - 40, line), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Flinga ") + VersionText());
    p.setPen(QColor(0x55, 0x5F, 0x6B));
    p.drawText(QRect(34, 92 + line, client.width() - 40, line), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Norvel 网盘的上传工具  ·  版权所有 © Norvel"));
    p.setPen(kRule);
    p.drawLine(0, 152, client.width(), 152);
}

}  // namespace ui
