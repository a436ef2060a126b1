#include "ui/dlg_message.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "ui/link_opener.h"
#include "ui/skin_files.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"
#include "ui/ui_actions.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

const QColor kLinkColour(0x0B, 0x7B, 0xE9);
const QPoint kFirstButton(74, 90), kSecondButton(135, 90), kIcon(25, 45);
const QRect kCloseGlyph(205, 5, 22, 22);
constexpr int kTextLeft = 65;
constexpr int kIconSize = 32;

QFont TextFont() {
    return UiFont(QStringLiteral("宋体"), 12);
}

}  // namespace

CDlgMessage::CDlgMessage(const QString& text, int kind, bool noIcon, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::Tool),
      m_Lines(text.split(QLatin1Char('\n'))),
      m_Kind(kind),
      m_NoIcon(noIcon),
      m_Background(LoadSharpSkinPicture(skin::kMessageBackground.file)),
      m_Icon(LoadSharpSkinPicture(skin::kMessageIcon.file)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowIcon(QIcon(LoadSharpSkinPicture(skin::kAppIcon.file)));
    const QSize size = m_Background.isNull()
                           ? QSize(skin::kMessageBackground.width, skin::kMessageBackground.height)
                           : QSize(CSkinTheme::PictureWidth(m_Background),
                                   CSkinTheme::PictureHeight(m_Background));
    setFixedSize(size);
    setAccessibleDescription(text);
    m_Close = new CGlyphButton(LoadSharpSkinPicture(skin::kMessageClose.file),
                               QStringLiteral("关闭"), this);
    m_Close->setGeometry(kCloseGlyph);
    connect(m_Close, &QAbstractButton::clicked, this, [this] { done(2); });
    AddButtons(kind);
}

void CDlgMessage::AddButtons(int kind) {
    QString first, second;
    switch (kind) {
        case RetryCancel:
            first = QStringLiteral("重试"), second = QStringLiteral("取消");
            break;
        case AbandonCancel:
            first = QStringLiteral("放弃"), second = QStringLiteral("取消");
            break;
        case UpgradeVip:
            first = QStringLiteral("升级VIP"), second = QStringLiteral("放弃");
            break;
        default:
            return;
    }
    m_First = new CTextLink(first, TextFont(), kLinkColour, this);
    m_First->PlaceAt(kFirstButton);
    connect(m_First, &QAbstractButton::clicked, this, [this] { OnFirst(); });
    m_Second = new CTextLink(second, TextFont(), kLinkColour, this);
    m_Second->PlaceAt(kSecondButton);
    connect(m_Second, &QAbstractButton::clicked, this, [this] { done(2); });
    m_First->setFocus();
}

void CDlgMessage::OnFirst() {
    if (m_Kind == UpgradeVip)
        OpenLink(ShopPageUrl(ShopPage::VipUpgrade));
    else
        done(1);
}

int CDlgMessage::FirstLineTop(int lineCount) {
    return 54 - (lineCount / 2) * 8;
}

std::vector<int> CDlgMessage::LineTops() const {
    const QFontMetrics metrics(TextFont());
    std::vector<int> tops;
    int y = FirstLineTop(int(m_Lines.size()));
    for (const QString& line : m_Lines) {
        tops.push_back(y);
        y +=
            metrics.boundingRect(QRect(0, 0, width(), height()), Qt::TextSingleLine, line).height();
    }
    return tops;
}

void CDlgMessage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_Background.isNull()) {
        p.fillRect(rect(), Qt::white);
    } else {
        p.drawPixmap(rect(), m_Background);
    }
    if (!m_NoIcon && !m_Icon.isNull())
        p.drawPixmap(QRect(kIcon, QSize(kIconSize, kIconSize)), m_Icon);
    p.setFont(TextFont());
    p.setPen(Qt::black);
    const std::vector<int> tops = LineTops();
    for (size_t i = 0; i < tops.size(); ++i)
        p.drawText(QRect(kTextLeft, tops[i], width() - kTextLeft - 4, height() - tops[i]),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_Lines[qsizetype(i)]);
}

// A press beside the glyph and the buttons drags the window.
void CDlgMessage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

void CDlgMessage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_First)
                m_First->click();
            else
                done(1);
            return;
        case Qt::Key_Escape:
            done(2);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

int ShowMessageDialog(const QString& text, const QString& caption, int kind, QWidget* parent) {
    CDlgMessage box(text, kind, false, parent);
    box.setWindowTitle(caption.isEmpty() ? text.section(QLatin1Char('\n'), 0, 0) : caption);
    return box.exec();
}

}  // namespace ui
