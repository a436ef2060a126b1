#pragma once

// Small clickable parts of the picture dialogs: a text link (coloured, underlined while
// the pointer is over it or it has the focus) and a glyph button drawn from a strip of
// two pictures (normal, hovered or pressed). Both are buttons: they take the focus with
// Tab, click with Space, and carry their text as their accessible name.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPixmap>

namespace ui {

class CTextLink : public QAbstractButton {
public:
    CTextLink(const QString& text, const QFont& font, QColor colour, QWidget* parent);
    // Places the link with its top left corner at the point, sized to the measured text
    // (one pixel wider).
    void PlaceAt(QPoint topLeft);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor m_Colour;
    bool m_Hover = false;
};

class CGlyphButton : public QAbstractButton {
public:
    CGlyphButton(QPixmap strip, const QString& name, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_Strip;
    bool m_Hover = false;
};

}  // namespace ui
