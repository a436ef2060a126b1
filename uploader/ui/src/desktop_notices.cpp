#include "ui/desktop_notices.h"

#include <utility>

#include "log/log.h"
#include "platform/desktop_notifier.h"

namespace ui {
namespace {

const QString kAppName = QStringLiteral("Norvel Flinga");

CDesktopNotices*& Current() {
    static CDesktopNotices* current = nullptr;
    return current;
}

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CDesktopNotices* DesktopNotices() {
    return Current();
}

CDesktopNotices::CDesktopNotices(QString busAddress, std::function<void()> showPanel)
    : m_BusAddress(std::move(busAddress)), m_ShowPanel(std::move(showPanel)) {
    Current() = this;
}

CDesktopNotices::~CDesktopNotices() {
    if (Current() == this)
        Current() = nullptr;
}

platform::CDesktopNotifier& CDesktopNotices::Notifier() {
    if (!m_Notifier) {
        m_Notifier = std::make_unique<platform::CDesktopNotifier>(kAppName, m_BusAddress);
        m_Notifier->SetOnUnavailable([](const QString& cause) {
            ::Log().Write(L2_VIM, u"DesktopNotice", false, cause.toStdU16String(),
                          u"no notification service; notices are not shown");
        });
    }
    return *m_Notifier;
}

// Successes counted since the last notice (removed failures count there too); failures
// still standing.
void CDesktopNotices::BatchSettled(const CBatchCounters::Snapshot& counts) {
    const int uploaded = counts.done - m_NoticedDone;
    m_NoticedDone = counts.done;
    if (!std::exchange(m_Armed, false) || (uploaded <= 0 && counts.fail <= 0))
        return;
    QString body = QStringLiteral("%1 个文件上传成功").arg(uploaded > 0 ? uploaded : 0);
    if (counts.fail > 0)
        body += QStringLiteral("\n%1 个文件上传失败").arg(counts.fail);
    const QString summary =
        counts.fail > 0 ? QStringLiteral("上传结束，有文件失败") : QStringLiteral("上传完成");
    Notifier().Notify(summary, body, QStringLiteral("显示"), m_ShowPanel);
}

void CDesktopNotices::LinkMade(const QString& url, bool copied) {
    Notifier().Notify(QStringLiteral("外链已生成"),
                      url + (copied ? QStringLiteral("\n已复制到剪贴板")
                                    : QStringLiteral("\n可在外链窗口中复制")));
}

void CDesktopNotices::WeiboPosted() {
    Notifier().Notify(QStringLiteral("微博已发布"), QStringLiteral("文件的外链已随微博发布"));
}

void CDesktopNotices::Refused(std::u16string_view caption, std::u16string_view text) {
    Notifier().Notify(caption.empty() ? kAppName : Q(caption), Q(text));
}

}  // namespace ui
