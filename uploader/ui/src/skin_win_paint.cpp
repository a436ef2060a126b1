// The frame's drawing: the top picture's active or inactive half along the caption band,
// the other pictures along their edges, the caption buttons and the caption text.

#include <QPainter>
#include <QWidget>

#include "ui/skin_drawing.h"
#include "ui/skin_win.h"
#include "ui/ui_fonts.h"

namespace ui {

void CSkinWin::PaintFrame(QPainter& p) const {
    const QWidget* w = Window();
    if (!w || !m_Theme)
        return;
    const QRect client = w->rect().marginsRemoved(FrameMargins());
    if (!m_Theme->dialog.isNull())
        DrawPicturePart(p, m_Theme->dialog, client,
                        QRect(0, 0, CSkinTheme::PictureWidth(m_Theme->dialog),
                              CSkinTheme::PictureHeight(m_Theme->dialog)));
    PaintTop(p);
    PaintEdges(p);
    PaintButtons(p);
    PaintCaption(p);
}

void CSkinWin::PaintTop(QPainter& p) const {
    const CSkinTheme& t = *m_Theme;
    const int h = t.TopHeight();
    if (t.top.isNull() || h <= 0)
        return;
    const QRect half(0, m_Active ? 0 : h, CSkinTheme::PictureWidth(t.top), h);
    DrawTiledRow(p, t.top, half, QRect(0, 0, Window()->width(), h), t.topTopHeight, t.topBotHeight);
}

void CSkinWin::PaintEdges(QPainter& p) const {
    const CSkinTheme& t = *m_Theme;
    const QWidget* w = Window();
    const int top = t.TopHeight(), bottom = t.BottomHeight();
    auto whole = [](const QPixmap& picture) {
        return QRect(0, 0, CSkinTheme::PictureWidth(picture), CSkinTheme::PictureHeight(picture));
    };
    if (!t.bottom.isNull())
        DrawTiledRow(p, t.bottom, whole(t.bottom),
                     QRect(0, w->height() - bottom, w->width(), bottom), t.bottomTopHeight,
                     t.bottomBotHeight);
    const int side = w->height() - top - bottom;
    if (!t.left.isNull())
        DrawTiledColumn(p, t.left, whole(t.left), QRect(0, top, t.LeftWidth(), side),
                        t.leftTopHeight, t.leftBotHeight);
    if (!t.right.isNull())
        DrawTiledColumn(p, t.right, whole(t.right),
                        QRect(w->width() - t.RightWidth(), top, t.RightWidth(), side),
                        t.rightTopHeight, t.rightBotHeight);
}

void CSkinWin::PaintButtons(QPainter& p) const {
    const CSkinTheme& t = *m_Theme;
    for (int i = 0; i < int(t.buttons.size()); ++i) {
        const CCaptionButtonSkin& b = t.buttons[size_t(i)];
        const int state = std::min<int>(CaptionButtonState(i), t.buttonImgCount - 1);
        DrawPicturePart(p, b.image, CaptionButtonRect(i),
                        QRect(state * b.width, 0, b.width, b.height));
    }
}

void CSkinWin::PaintCaption(QPainter& p) const {
    const CSkinTheme& t = *m_Theme;
    const QWidget* w = Window();
    const QString text = w->windowTitle();
    if (text.isEmpty())
        return;
    int right = w->width() - t.RightWidth();
    for (int i = 0; i < int(t.buttons.size()); ++i)
        right = std::min(right, CaptionButtonRect(i).left());
    const QRect box(t.LeftWidth() + t.textShift, t.textShiftVert,
                    right - t.LeftWidth() - t.textShift - 4, t.TopHeight() - t.textShiftVert);
    p.setFont(UiFont(QStringLiteral("宋体"), 12, true));
    p.setPen(m_Active ? t.titleText : t.inactiveTitleText);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               p.fontMetrics().elidedText(text, Qt::ElideRight, box.width()));
}

}  // namespace ui
