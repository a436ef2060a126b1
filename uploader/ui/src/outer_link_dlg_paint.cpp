// The drawing of the share-link window: the progress view, the link view and the
// failure list, over a gradient from white to #D8E0ED.

#include <QPainter>

#include "intake/task_states.h"
#include "ui/ini_place.h"
#include "ui/outer_link_dlg.h"
#include "ui/skin_theme.h"
#include "ui/text_link.h"

namespace ui {
namespace {

const QColor kGradientEnd(0xD8, 0xE0, 0xED);
const QColor kCountGrey(0x83, 0x83, 0x83);
const QColor kTitleRed(204, 0, 0);
const QColor kReasonRed(202, 0, 0);
const QColor kSuccessGreen(32, 156, 0);

void DrawRight(QPainter& p, int right, int y, const QString& text) {
    p.drawText(QRect(right - 260, y, 260, CBatchWindow::kTextHeight), Qt::AlignRight | Qt::AlignTop,
               text);
}

void DrawElided(QPainter& p, int x, int y, const QString& text, int width) {
    CBatchWindow::DrawLeft(p, x, y, p.fontMetrics().elidedText(text, Qt::ElideRight, width), width);
}

QString TwoDigits(uint64_t value) {
    return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
}

}  // namespace

QString FailedSizeText(uint64_t size) {
    if (size == 0)
        return {};
    if (size < 1024)
        return QStringLiteral("%1B").arg(size);
    if (size < 1048576)
        return QStringLiteral("%1KB").arg(size / 1024);
    return QStringLiteral("%1MB").arg(size / 1048576);
}

QString SpeedText(uint64_t speed) {
    if (speed <= 1000)
        return QStringLiteral("%1b/s").arg(speed);
    if (speed <= 1000000)
        return QStringLiteral("%1KB/s").arg(speed / 1000);
    return QStringLiteral("%1MB/s").arg(speed / 1000000);
}

QString RemainingText(uint64_t seconds) {
    return TwoDigits(seconds / 3600) + ':' + TwoDigits(seconds / 60 % 60) + ':' +
           TwoDigits(seconds % 60);
}

QString FailureReason(int32_t state) {
    switch (state) {
        case intake::kTaskTooLarge:
            return QStringLiteral("超大文件");
        case intake::kTaskTimeout:
            return QStringLiteral("网络超时");
        case intake::kTaskParentMissing:
            return QStringLiteral("目录不存在");
        case intake::kTaskDiskFull:
            return QStringLiteral("网盘已满");
        default:
            return QStringLiteral("上传失败");
    }
}

void COuterLinkDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    BeginClientPaint(p, kGradientEnd);
    if (m_ListMode == 1)
        PaintFailures(p);
    else if (m_Batch && m_Batch->State() == batch::kBatchLinked)
        PaintLinked(p);
    else
        PaintProgress(p);
    PaintContactIcon(p);  // always
}

void COuterLinkDlg::PaintProgress(QPainter& p) {
    if (m_Progress.current.id != 0)
        m_CurrentName = QString::fromStdU16String(m_Progress.current.fileName);
    DrawElided(p, 16, 48, m_CurrentName, 172);
    if (!m_Uploading.isNull())
        p.drawPixmap(76, 15, m_Uploading);
    IniDrawText(u"outerlink6", p, kIniTextPoints);
    IniDrawText(u"outerlink1", p, kIniTextPoints);
    p.setPen(kCountGrey);
    DrawRight(p, 275, 75,
              QStringLiteral("%1/%2").arg(m_Progress.doneCount).arg(m_Progress.fileCount));
    if (!m_Track.isNull())
        p.drawPixmap(16, 92, m_Track);
    const int trackWidth = m_Track.isNull() ? 258 : CSkinTheme::PictureWidth(m_Track);
    const double fraction =
        m_Progress.totalBytes == 0
            ? 0.0
            : std::min(1.0, double(m_Progress.bytesDone) / double(m_Progress.totalBytes));
    const int filled = std::max(1, int(fraction * trackWidth));
    if (!m_Fill.isNull())
        p.drawPixmap(QRect(16, 92, filled, CSkinTheme::PictureHeight(m_Fill)), m_Fill,
                     QRectF(0, 0, filled * m_Fill.devicePixelRatio(), m_Fill.height()));
    const uint64_t speed = m_Progress.paused || !m_Batch ? 0 : m_Batch->SampleSpeed();
    const uint64_t remaining = m_Batch ? m_Batch->RemainingSeconds() : 0;
    DrawRight(p, 278, 108, QStringLiteral("剩余时间: ") + RemainingText(remaining));
    DrawLeft(p, 16, 108, SpeedText(speed));
}

void COuterLinkDlg::PaintLinked(QPainter& p) {
    DrawElided(p, 16, 33, m_CurrentName, 172);
    IniDrawText(u"outerlink5", p, kIniTextPoints);
    if (m_Copied)
        IniDrawText(u"outerlink7", p, kIniTextPoints);
    if (!m_Gou.isNull())
        p.drawPixmap(89, 13, m_Gou);
    p.setPen(kSuccessGreen);
    DrawLeft(p, 113, 15, QStringLiteral("生成外链成功"));
}

void COuterLinkDlg::PaintFailures(QPainter& p) {
    if (!m_Panel.isNull())
        p.drawPixmap(QPointF(16, 37), m_Panel,
                     QRectF(0, 0, 239 * m_Panel.devicePixelRatio(), m_Panel.height()));
    p.setPen(kTitleRed);
    DrawLeft(p, 17, 19,
             QStringLiteral("共上传%1个文件，%2个文件上传失败")
                 .arg(m_Progress.fileCount)
                 .arg(m_FailedList.size()));
    for (int i = 0; i < 5; ++i) {
        const size_t index = size_t(m_FirstFailed + i);
        const int y = 45 + 20 * i;
        if (index >= m_FailedList.size() || y >= 145)
            break;
        const batch::BatchTaskInfo& failed = m_FailedList[index];
        p.setPen(Qt::black);
        DrawElided(p, 21, y, QString::fromStdU16String(failed.fileName), 100);
        DrawLeft(p, 121, y, FailedSizeText(failed.size), 58);
        p.setPen(kReasonRed);
        DrawLeft(p, 181, y, FailureReason(failed.state), 72);
    }
}

}  // namespace ui
