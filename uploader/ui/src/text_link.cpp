#include "ui/text_link.h"

#include <QPainter>

#include "ui/skin_drawing.h"
#include "ui/skin_theme.h"

namespace ui {

CTextLink::CTextLink(const QString& text, const QFont& font, QColor colour, QWidget* parent)
    : QAbstractButton(parent), m_Colour(colour) {
    setText(text);
    setFont(font);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    resize(sizeHint());
}

QSize CTextLink::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 1, metrics.height()};
}

void CTextLink::PlaceAt(QPoint topLeft) {
    setGeometry(QRect(topLeft, sizeHint()));
}

void CTextLink::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    f.setUnderline(m_Hover || hasFocus());
    p.setFont(f);
    p.setPen(m_Colour);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
}

void CTextLink::enterEvent(QEnterEvent* event) {
    m_Hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CTextLink::leaveEvent(QEvent* event) {
    m_Hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

CGlyphButton::CGlyphButton(QPixmap strip, const QString& name, QWidget* parent)
    : QAbstractButton(parent), m_Strip(std::move(strip)) {
    setAccessibleName(name);
    setToolTip(name);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);  // Escape does what it does
}

void CGlyphButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = CSkinTheme::PictureWidth(m_Strip) / 2, h = CSkinTheme::PictureHeight(m_Strip);
    const int picture = (m_Hover || isDown()) ? 1 : 0;
    DrawPicturePart(p, m_Strip, rect(), QRect(picture * w, 0, w, h));
}

void CGlyphButton::enterEvent(QEnterEvent* event) {
    m_Hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CGlyphButton::leaveEvent(QEvent* event) {
    m_Hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace ui
