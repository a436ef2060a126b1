// The drawing of the Sina Weibo window over a gradient from white to #D6E0EA: the
// not-bound picture, the counter and hints of the bound view, the posted view.

#include <QPainter>
#include <QPlainTextEdit>

#include "settings/ini.h"
#include "ui/ini_place.h"
#include "ui/sina_blogs_dlg.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"
#include "ui/ui_fonts.h"
#include "ui/weibo_text.h"

namespace ui {
namespace {

const QColor kGradientEnd(0xD6, 0xE0, 0xEA);
const QColor kCountGrey(134, 134, 134);
const QColor kExcessOrange(251, 133, 1);
const QColor kDashGrey(0x86, 0x86, 0x86);
const QColor kDark(51, 51, 51);
}  // namespace

void CSinaBlogsDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    BeginClientPaint(p, kGradientEnd);
    if (m_View == kNotBound)
        PaintNotBound(p);
    else if (m_View == kBound)
        PaintBound(p);
    else
        PaintPosted(p);
    if (m_View != kNotBound) {
        // The bound account: the Sina icon and the screen name.
        if (!m_Icon.isNull())
            p.drawPixmap(14, 5, m_Icon);
        p.setPen(kDark);
        DrawLeft(p, 32, 7, m_ScreenName, 190);
        IniDrawText(u"SinaBlogsDlgText3", p, kIniTextPoints);
    }
    PaintContactIcon(p);  // always
}

void CSinaBlogsDlg::PaintNotBound(QPainter& p) {
    if (!m_Banner.isNull())
        p.drawPixmap(0, 0, m_Banner);
    if (!m_Picture.isNull())
        p.drawPixmap(0, 65, m_Picture);
    if (m_Checked)
        IniDrawText(u"SinaBlogsDlgText1", p, kIniTextPoints);
}

void CSinaBlogsDlg::PaintBound(QPainter& p) {
    IniDrawText(u"SinaBlogsDlgText4", p, kIniTextPoints);
    IniDrawText(m_State == batch::kWeiboReady ? u"SinaBlogsDlgText8" : u"SinaBlogsDlgText7", p,
                kIniTextPoints);
    // The counter, right-aligned to the edit's right edge.
    const QRect edit = m_Edit->geometry().translated(-contentsRect().topLeft());
    const int right = edit.right() + 1;
    const int y = edit.bottom() + 6;
    p.save();
    p.setFont(UiFont(QStringLiteral("宋体"), 13));
    const QFontMetrics metrics = p.fontMetrics();
    p.setPen(kCountGrey);
    if (CountOver()) {
        const QString number = QString::number(
            WeiboCharCount(m_Edit->toPlainText().toStdU16String()) - kWeiboCharLimit);
        const QString head = QStringLiteral("超出"), tail = QStringLiteral("个字");
        int x = right - metrics.horizontalAdvance(head + number + tail);
        p.drawText(QPoint(x, y + metrics.ascent()), head);
        x += metrics.horizontalAdvance(head);
        p.setPen(kExcessOrange);
        p.drawText(QPoint(x, y + metrics.ascent()), number);
        x += metrics.horizontalAdvance(number);
        p.setPen(kCountGrey);
        p.drawText(QPoint(x, y + metrics.ascent()), tail);
    } else {
        p.drawText(QRect(right - 200, y, 200, kTextHeight + 2), Qt::AlignRight | Qt::AlignTop,
                   CountText());
    }
    p.restore();
    QPen dash(kDashGrey, 1);
    dash.setDashPattern({1, 4});
    p.setPen(dash);
    const int lineY = y + 20;
    p.drawLine(4, lineY, contentsRect().width() - 4, lineY);
    if (m_ShowError)
        IniDrawText(u"SinaBlogsDlgText11", p, kIniTextPoints);
}

void CSinaBlogsDlg::PaintPosted(QPainter& p) {
    std::vector<int> pos;
    if (!m_Gou.isNull() && settings::IniInts(u"SinaBlogsDlgText5", u"pos", pos) >= 2)
        p.drawPixmap(pos[0] - CSkinTheme::PictureWidth(m_Gou) - 4, pos[1] - 3, m_Gou);
    IniDrawText(u"SinaBlogsDlgText5", p, kIniTextPoints);
}

}  // namespace ui
