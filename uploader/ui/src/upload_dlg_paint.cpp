// The main window's painting, pointer feedback, fading and drops.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <vector>

#include "ui/qt_intake_ui.h"
#include "ui/ui_actions.h"
#include "ui/ui_images.h"
#include "ui/upload_dlg.h"
#include "upload_dlg_look.h"

namespace ui {
namespace {

constexpr int kFadeInStep = 2;
constexpr int kFadeOutStep = 1;

std::vector<std::u16string> LocalPaths(const QMimeData* data) {
    std::vector<std::u16string> paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.emplace_back(reinterpret_cast<const char16_t*>(path.utf16()),
                               static_cast<size_t>(path.size()));
    }
    return paths;
}

}  // namespace

QRectF MeasureLink() {
    const QFontMetricsF metrics(LinkFont());
    return QRectF(kLinkX, kLinkY, metrics.horizontalAdvance(LinkText()), metrics.height());
}

void CuploadDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const CUiImages& images = UiImages();
    if (isMinimized()) {
        painter.drawPixmap((width() - images.appIcon.width()) / 2,
                           (height() - images.appIcon.height()) / 2, images.appIcon);
        return;
    }
    painter.drawPixmap(rect(), images.mainBackground);
    painter.setFont(TitleFont());
    painter.setPen(kTitleColour);
    painter.drawText(
        QRectF(kTitleAt, QSizeF(kLinkX - kTitleAt.x(), QFontMetricsF(painter.font()).height())),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, TitleText());
    painter.drawPixmap(kLinkX - images.mainLogo.width(), kLinkY, images.mainLogo);
    painter.setFont(LinkFont());
    painter.setPen(kLinkColour);
    m_LinkRect = MeasureLink();
    painter.drawText(m_LinkRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, LinkText());
    if (m_LinkHover)
        painter.drawLine(QPointF(m_LinkRect.left(), m_LinkRect.bottom() - 0.5),
                         QPointF(m_LinkRect.right(), m_LinkRect.bottom() - 0.5));
    painter.drawPixmap(m_CloseRect.topLeft(), images.mainClose);
}

void CuploadDlg::UpdateLinkHover(bool hover) {
    if (hover == m_LinkHover)
        return;
    m_LinkHover = hover;
    // The strip of the underline, at the bottom of the link box.
    update(QRectF(m_LinkRect.left(), m_LinkRect.bottom() - 2, m_LinkRect.width() + 1, 3)
               .toAlignedRect());
}

void CuploadDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    if (!rect().contains(point.toPoint())) {
        FadeOut();
        return;
    }
    FadeIn();
    const bool overLink = m_LinkRect.contains(point);
    UpdateLinkHover(overLink);
    setCursor(overLink || m_CloseRect.contains(point.toPoint()) ? Qt::PointingHandCursor
                                                                : Qt::ArrowCursor);
}

void CuploadDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF point = event->position();
    if (m_CloseRect.contains(point.toPoint())) {
        // Hiding stops nothing: the uploads go on and the mini window shows the panel again.
        hide();
        m_Ui.HideTipsWindow();
    } else if (m_LinkRect.contains(point)) {
        m_Ui.Background().Run([] { RunVisitUrl(std::u16string(kReceivedFolder)); });
    }
}

void CuploadDlg::enterEvent(QEnterEvent*) {
    FadeIn();
}

void CuploadDlg::leaveEvent(QEvent*) {
    UpdateLinkHover(false);
    FadeOut();
}

void CuploadDlg::FadeIn() {
    m_MouseInside = true;
    m_Timers.Kill(kFadeOutTimer);
    if (m_Opacity < kOpacityHigh && !m_Timers.IsActive(kFadeInTimer))
        m_Timers.Start(kFadeInTimer, m_Ui.Options().fadePeriodMs);
}

void CuploadDlg::FadeOut() {
    m_MouseInside = false;
    m_Timers.Kill(kFadeInTimer);
    if (m_Opacity > kOpacityLow && !m_Timers.IsActive(kFadeOutTimer))
        m_Timers.Start(kFadeOutTimer, m_Ui.Options().fadePeriodMs);
}

void CuploadDlg::OnTimer(int id) {
    switch (id) {
        case kFadeInTimer:
            SetOpacity(std::min(kOpacityHigh, m_Opacity + kFadeInStep));
            if (m_Opacity >= kOpacityHigh)
                m_Timers.Kill(kFadeInTimer);
            break;
        case kFadeOutTimer:
            SetOpacity(std::max(kOpacityLow, m_Opacity - kFadeOutStep));
            if (m_Opacity <= kOpacityLow)
                m_Timers.Kill(kFadeOutTimer);
            break;
        case kUserInfoTimer:
            m_Ui.Background().Run([] { RunUserInfoQuery(); });
            break;
        default:
            break;
    }
}

void CuploadDlg::SetOpacity(int percent) {
    m_Opacity = percent;
    setWindowOpacity(percent / 100.0);  // the layered alpha, percent x 2.55 of 255
    m_Ui.FollowOpacity(percent);
}

void CuploadDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CuploadDlg::dropEvent(QDropEvent* event) {
    std::vector<std::u16string> paths = LocalPaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    m_Ui.DropPaths(std::move(paths));
}

}  // namespace ui
