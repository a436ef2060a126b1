#include "ui/menu_ex.h"

#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOption>

#include "ui/picture_region.h"
#include "ui/skin_drawing.h"
#include "ui/skin_files.h"
#include "ui/skin_theme.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

constexpr int kSeparatorHeight = 7;
constexpr int kPadding = 2;
constexpr int kTextLeft = 32;
const QColor kBorder(0x9F, 0xC2, 0xE8);
const QColor kHighlight(0x5A, 0xB0, 0xFA, 60);
const QColor kText(0x1F, 0x2D, 0x3D);

// Item sizes for the menu's own layout, so that its hit areas are the painted strips.
class CMenuStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type != CT_MenuItem)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const bool separator = item && item->menuItemType == QStyleOptionMenuItem::Separator;
        const int width = skin::kMenu.width;
        return {width, separator ? kSeparatorHeight : CMenuEx::kItemHeight};
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_MenuPanelWidth:
                return 0;
            case PM_MenuHMargin:
            case PM_MenuVMargin:
                return kPadding;
            case PM_MenuDesktopFrameWidth:
                return 0;
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

}  // namespace

CMenuEx::CMenuEx(QWidget* parent)
    : QMenu(parent), m_Strips(LoadSharpSkinPicture(skin::kMenu.file)), m_VipText() {
    auto* style = new CMenuStyle;
    style->setParent(this);
    setStyle(style);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setFont(UiFont(QStringLiteral("宋体"), 12));
}

QAction* CMenuEx::AddCommand(int id, const QString& text) {
    QAction* action = addAction(text);
    action->setData(id);
    return action;
}

int CMenuEx::CommandOf(const QAction* action) {
    return action && !action->isSeparator() ? action->data().toInt() : 0;
}

QAction* CMenuEx::Command(int id) const {
    for (QAction* action : actions())
        if (CommandOf(action) == id)
            return action;
    return nullptr;
}

void CMenuEx::SetTopVip(bool topVip) {
    QAction* vip = Command(kVipCommand);
    if (!vip)
        return;
    if (topVip && m_VipText.isNull())
        m_VipText = vip->text();
    vip->setText(topVip ? QStringLiteral("续费") : (m_VipText.isNull() ? vip->text() : m_VipText));
}

int CMenuEx::StripTop(int id) {
    static const int kIds[] = {32776, 32777, 32779, 32774, 32772, 32780, 32781};
    for (int i = 0; i < 7; ++i)
        if (kIds[i] == id)
            return i * kItemHeight;
    return -1;
}

void CMenuEx::resizeEvent(QResizeEvent* event) {
    QMenu::resizeEvent(event);
    QImage shape(size(), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, std::min(width(), kMaxSide), std::min(height(), kMaxSide)),
                           kCorner, kCorner);
    p.fillPath(outline, Qt::black);
    p.end();
    setMask(RegionFromPicture(shape));
}

void CMenuEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    for (QAction* action : actions())
        PaintItem(p, action);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCorner, kCorner);
}

void CMenuEx::PaintItem(QPainter& p, QAction* action) const {
    const QRect box = actionGeometry(action);
    if (action->isSeparator()) {
        const int y = box.center().y();
        p.setPen(QColor(0xC4, 0xDA, 0xF2));
        p.drawLine(box.left() + 4, y, box.right() - 4, y);
        p.setPen(Qt::white);
        p.drawLine(box.left() + 4, y + 1, box.right() - 4, y + 1);
        return;
    }
    const int strip = StripTop(CommandOf(action));
    if (strip >= 0)
        DrawPicturePart(p, m_Strips, box, QRect(0, strip, skin::kMenu.width, kItemHeight));
    if (action == activeAction() && action->isEnabled())
        p.fillRect(box, kHighlight);
    p.setFont(font());
    p.setPen(action->isEnabled() ? kText : palette().color(QPalette::Disabled, QPalette::Text));
    p.drawText(box.adjusted(kTextLeft, 0, 0, 0),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, action->text());
}

}  // namespace ui
