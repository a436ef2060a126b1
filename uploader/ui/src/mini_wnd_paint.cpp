// The mini window's drawing: the hint, the picture, the close glyph, the files-added
// notice, the counter and the exit confirmation, in that order. Most of the window is
// transparent; its mask is what is drawn, so the desktop below stays reachable.

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QShowEvent>
#include <algorithm>

#include "mini_wnd_look.h"
#include "settings/registry_values.h"
#include "ui/mini_wnd.h"
#include "ui/skin_drawing.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

QRect TextBox(const QFont& font, QPoint at, const QString& text) {
    const QFontMetrics metrics(font);
    return QRect(at, QSize(metrics.horizontalAdvance(text), metrics.height()));
}

void DrawText(QPainter& p, const QRect& box, const QString& text, const QFont& font,
              const QColor& colour) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace

QRect CMiniWnd::PictureRect() const {
    const int w = WidthOf(m_Main, skin::kMiniMain);
    return QRect((width() - w) / 2, kPictureTop, w, HeightOf(m_Main, skin::kMiniMain));
}

QRect CMiniWnd::CloseRect() const {
    return QRect((kWidth + WidthOf(m_Main, skin::kMiniMain)) / 2 - 15, 18,
                 WidthOf(m_Close, skin::kMiniClose), HeightOf(m_Close, skin::kMiniClose));
}

// At least 180 x 18, wider when the text needs it.
QRect CMiniWnd::NoticeRect() const {
    const int w =
        std::max(kNoticeWidth, QFontMetrics(MiniFont()).horizontalAdvance(NoticeText()) + 12);
    return QRect((width() - w) / 2, kNoticeTop, w, kNoticeHeight);
}

QRect CMiniWnd::HintRect() const {
    const int w = WidthOf(m_Hint, skin::kMiniHint);
    return QRect((width() - w) / 2, kHintTop, w, HeightOf(m_Hint, skin::kMiniHint));
}

// The panel's picture, stretched when the question needs more room.
QRect CMiniWnd::ConfirmRect() const {
    const int w = std::max(WidthOf(m_Confirm, skin::kMiniConfirm),
                           QFontMetrics(MiniFont()).horizontalAdvance(ConfirmText()) + 16);
    return QRect((width() - w) / 2, kConfirmTop, w, HeightOf(m_Confirm, skin::kMiniConfirm));
}

// The hint shows while nothing else is below the picture.
int CMiniWnd::ShownHint() const {
    if (m_ConfirmExit || m_AddedCount > 0)
        return -1;
    const uint32_t bits = m_MiniTips;
    const bool drag = (bits & kHintDragBit) != 0;
    const bool click = (bits & kHintClickBit) != 0;
    if (drag && click)
        return m_TipKind;
    return drag ? 0 : click ? 1 : -1;
}

void CMiniWnd::ReloadTips() {
    m_MiniTips = settings::ReadFlingaDwordOrInit(settings::kMiniTips, 7);
    UpdateMask();
    update();
}

void CMiniWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ReloadTips();
}

void CMiniWnd::UpdateMask() {
    QRegion shown(PictureRect());
    shown += CloseRect();
    if (ShownHint() >= 0)
        shown += HintRect();
    if (m_AddedCount > 0)
        shown += NoticeRect();
    if (m_ConfirmExit)
        shown += ConfirmRect();
    setMask(shown);
}

void CMiniWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PaintHint(p);
    p.drawPixmap(PictureRect().topLeft(), m_Main);
    if (m_Hover)
        p.drawPixmap(CloseRect().topLeft(), m_Close);
    PaintNotice(p);
    PaintCounter(p);
    PaintConfirm(p);
}

void CMiniWnd::PaintHint(QPainter& p) {
    const int hint = ShownHint();
    if (hint < 0)
        return;
    const QRect box = HintRect();
    p.drawPixmap(box.topLeft(), m_Hint);
    const QFont font = MiniFont();
    const QString text = hint == 0 ? DragHintText() : ClickHintText();
    DrawText(p, TextBox(font, box.topLeft() + QPoint(12, 9), text), text, font, kHintColour);
    DrawText(p, HintCloseRect(), DismissText(), MiniFont(m_HintLinkHover), kHintLinkColour);
}

QRect CMiniWnd::HintCloseRect() const {
    if (ShownHint() < 0)
        return {};
    const QRect box = HintRect();
    return TextBox(MiniFont(), QPoint(box.right() - 62, box.bottom() - 20), DismissText());
}

QRect CMiniWnd::ExitButtonRect() const {
    if (!m_ConfirmExit)
        return {};
    const QRect panel = ConfirmRect();
    return TextBox(MiniFont(), QPoint(panel.left() + 42, panel.bottom() + 1 - 17),
                   QStringLiteral("退出"));
}

QRect CMiniWnd::CancelButtonRect() const {
    if (!m_ConfirmExit)
        return {};
    const QRect panel = ConfirmRect();
    return TextBox(MiniFont(), QPoint(panel.right() + 1 - 48, panel.bottom() + 1 - 17),
                   QStringLiteral("取消"));
}

void CMiniWnd::PaintNotice(QPainter& p) {
    if (m_AddedCount <= 0 || m_NoticeAlpha <= 10)
        return;
    const QRect strip = NoticeRect();
    QPainterPath back;
    back.addRoundedRect(QRectF(strip).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.fillPath(back, QColor(255, 255, 255, m_NoticeAlpha * 230 / 255));
    p.setPen(QColor(0xB8, 0xD3, 0xF0, m_NoticeAlpha));
    p.drawPath(back);
    QColor text = kMiniTextColour;
    text.setAlpha(m_NoticeAlpha);
    p.setFont(MiniFont());
    p.setPen(text);
    p.drawText(strip, Qt::AlignCenter, NoticeText());
}

void CMiniWnd::PaintCounter(QPainter& p) {
    if (!m_ShowCount)
        return;
    const QFont font = CounterFont();
    const QString text = CounterText();
    const QFontMetrics metrics(font);
    const QRect box((width() - metrics.horizontalAdvance(text)) / 2, kCounterTop,
                    metrics.horizontalAdvance(text), metrics.height());
    // On a white badge over the picture's arrow, so the digits stand alone.
    const QRect picture = PictureRect();
    QRectF badge = QRectF(box).adjusted(-5, 1, 5, -1);
    if (badge.width() < picture.width() - 16)
        badge.adjust(-(picture.width() - 16 - badge.width()) / 2, 0,
                     (picture.width() - 16 - badge.width()) / 2, 0);
    QPainterPath back;
    back.addRoundedRect(badge, 6, 6);
    p.fillPath(back, QColor(255, 255, 255, 245));
    p.setPen(QPen(QColor(0xB8, 0xD3, 0xF0), 1));
    p.drawPath(back);
    p.setFont(font);
    p.setPen(CounterColour());
    p.drawText(box, Qt::AlignCenter, text);
}

void CMiniWnd::PaintConfirm(QPainter& p) {
    if (!m_ConfirmExit)
        return;
    const QRect panel = ConfirmRect();
    DrawNinePart(p, m_Confirm, QRect(0, 0, WidthOf(m_Confirm, skin::kMiniConfirm), panel.height()),
                 panel, QMargins(8, 8, 8, 8));
    const QFont font = MiniFont();
    const QFontMetrics metrics(font);
    const QString question = ConfirmText();
    DrawText(p,
             QRect(panel.left() + (panel.width() - metrics.horizontalAdvance(question)) / 2,
                   kConfirmTop + 6, metrics.horizontalAdvance(question), metrics.height()),
             question, font, kMiniTextColour);
    const int markY = panel.bottom() + 1 - 15;
    p.drawPixmap(QPoint(panel.left() + 30, markY), m_Mark);
    p.drawPixmap(QPoint(panel.right() + 1 - 60, markY), m_Mark);
    DrawText(p, ExitButtonRect(), QStringLiteral("退出"), font, kHintLinkColour);
    DrawText(p, CancelButtonRect(), QStringLiteral("取消"), font, kHintLinkColour);
}

}  // namespace ui
