#include "ui/batch_window.h"

#include <QCloseEvent>
#include <QPainter>

#include "intake/library.h"
#include "settings/ini.h"
#include "settings/service_hosts.h"
#include "ui/library_users.h"
#include "ui/link_opener.h"
#include "ui/skin_drawing.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

const QColor kLinkColour(12, 124, 241);

}  // namespace

CBatchWindow::CBatchWindow(OwnerKind ownerKind)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint),
      m_Window(
          *this,
          [this](uint32_t message, platform::WParam w, platform::LParam l) {
              return WindowProc(message, w, l);
          },
          u"Norvel网盘Flinga") {
    m_Window.SetProperty(kOwnerKindProperty, ownerKind);
    intake::Session().AddLibraryUser();
    CountPendingTask(1);
    m_Qq = LoadSharpSkinPicture(u"others/qq.png");
    m_Gou = LoadSharpSkinPicture(u"others/gou.png");
}

CBatchWindow::~CBatchWindow() {
    LeaveLibrary();
}

// The one place where the window changes the session's count of pending tasks.
void CBatchWindow::CountPendingTask(int step) {
    intake::Session().AddPending(step);
}

void CBatchWindow::BeginClientPaint(QPainter& p, const QColor& gradientEnd) const {
    const QRect client = contentsRect();
    FillClientGradient(p, client, gradientEnd);
    p.setClipRect(client);
    p.translate(client.topLeft());
    p.setFont(UiFont(QStringLiteral("宋体"), 12));
    p.setPen(Qt::black);
}

void CBatchWindow::DrawLeft(QPainter& p, int x, int y, const QString& text, int width) {
    p.drawText(QRect(x, y, width, kTextHeight), Qt::AlignLeft | Qt::AlignTop, text);
}

void CBatchWindow::MakeFooterLinks() {
    const QFont linkFont = UiFont(QStringLiteral("宋体"), 12);
    std::u16string text;
    settings::IniText(u"outerlink2", text);
    m_SiteLink = new CTextLink(QString::fromStdU16String(text), linkFont, kLinkColour, this);
    settings::IniText(u"outerlink3", text);
    m_ContactLink = new CTextLink(QString::fromStdU16String(text), linkFont, kLinkColour, this);
    connect(m_SiteLink, &QAbstractButton::clicked, this,
            [] { OpenLink(settings::BaseUrl(settings::GetWebHost()) + u"/"); });
    connect(m_ContactLink, &QAbstractButton::clicked, this,
            [] { OpenLink(settings::BaseUrl(settings::GetWebHost()) + u"/contact"); });
}

QPoint CBatchWindow::Client(int x, int y) const {
    return contentsRect().topLeft() + QPoint(x, y);
}

void CBatchWindow::PlaceTextLink(CTextLink* link, const char16_t* section) {
    std::vector<int> pos;
    if (settings::IniInts(section, u"pos", pos) >= 2)
        link->PlaceAt(Client(pos[0], pos[1]));
}

void CBatchWindow::PlaceFooterLinks() {
    PlaceTextLink(m_SiteLink, u"outerlink2");
    PlaceTextLink(m_ContactLink, u"outerlink3");
}

void CBatchWindow::PaintContactIcon(QPainter& p) {
    if (m_Qq.isNull())
        return;
    const QPoint at = m_ContactLink->pos() - contentsRect().topLeft();
    p.drawPixmap(at.x() - CSkinTheme::PictureWidth(m_Qq) - 2, at.y(), m_Qq);
}

bool CBatchWindow::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    return QWidget::event(event);
}

void CBatchWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseWindow();
}

void CBatchWindow::CloseWindow() {
    if (m_Closed)
        return;
    Shut();
    hide();
    deleteLater();
}

void CBatchWindow::Shut() {
    if (m_Closed)
        return;
    m_Closed = true;
    StopWork();
    CountPendingTask(-1);
    m_Window.Close();
}

}  // namespace ui
