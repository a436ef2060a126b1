#include "ui/wnd_dlg_tips.h"

#include <QMouseEvent>
#include <QPainter>

#include "mini_wnd_look.h"
#include "settings/registry_values.h"
#include "ui/mini_wnd.h"
#include "ui/skin_theme.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

const QPoint kTextAt(10, 5);
const QPoint kLinkAt(85, 30);
const QPoint kBesideMain(20, -52);

}  // namespace

CWndDlgTips::CWndDlgTips()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint |
                           Qt::NoDropShadowWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_Background(LoadSharpSkinPicture(skin::kTipsBackground.file)),
      m_Window(*this, [this](uint32_t message, platform::WParam, platform::LParam) {
          return WindowProc(message);
      }) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setFixedSize(WidthOf(m_Background, skin::kTipsBackground),
                 HeightOf(m_Background, skin::kTipsBackground));
}

CWndDlgTips::~CWndDlgTips() {
    m_Window.Close();
}

bool CWndDlgTips::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    return QWidget::event(event);
}

platform::LResult CWndDlgTips::WindowProc(uint32_t message) {
    if (message == platform::WM_CLOSE) {
        m_Window.Close();
        hide();
        deleteLater();
    }
    return 0;
}

bool CWndDlgTips::Wanted() const {
    return (settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7) & CMiniWnd::kTipsBit) != 0;
}

void CWndDlgTips::ShowBeside(const QWidget& main) {
    move(main.pos() + kBesideMain);
    if (Wanted())
        show();
}

void CWndDlgTips::SetOpacity(int percent) {
    setWindowOpacity(percent / 100.0);
}

QRect CWndDlgTips::DismissRect() const {
    const QFontMetrics metrics(MiniFont());
    return QRect(kLinkAt, QSize(metrics.horizontalAdvance(DismissText()), metrics.height()));
}

void CWndDlgTips::paintEvent(QPaintEvent*) {
    if (!Wanted())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.drawPixmap(0, 0, m_Background);
    p.setFont(MiniFont());
    p.setPen(kHintColour);
    p.drawText(QRect(kTextAt, size()), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("上传的文件保存在这里"));
    p.setFont(MiniFont(m_LinkHover));
    p.setPen(kHintLinkColour);
    p.drawText(DismissRect(), Qt::AlignLeft | Qt::AlignTop, DismissText());
}

void CWndDlgTips::mouseMoveEvent(QMouseEvent* event) {
    const bool over = Wanted() && DismissRect().contains(event->position().toPoint());
    setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (over != m_LinkHover) {
        m_LinkHover = over;
        update();
    }
}

void CWndDlgTips::leaveEvent(QEvent*) {
    m_LinkHover = false;
    update();
}

void CWndDlgTips::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Wanted() ||
        !DismissRect().contains(event->position().toPoint()))
        return;
    const uint32_t bits = settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7);
    settings::WriteDword(settings::kFlingaKey, settings::kMiniTips,
                         bits & ~static_cast<uint32_t>(CMiniWnd::kTipsBit));
    // Nothing is left to show: the popup goes, rather than block the pointer.
    hide();
}

}  // namespace ui
