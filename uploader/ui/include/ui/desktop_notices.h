#pragma once

// What the library tells the desktop's notification service: a batch of uploads that
// settled, a share link made, a Weibo post made, and a request refused. One set per user
// interface (CQtIntakeUi makes it); DesktopNotices() is the current one, or null when no
// interface runs. User-interface thread only.

#include <QString>
#include <functional>
#include <memory>
#include <string_view>

#include "ui/batch_counters.h"

namespace platform {
class CDesktopNotifier;
}

namespace ui {

class CDesktopNotices {
public:
    // busAddress empty: the session bus. showPanel runs when the user picks the action of a
    // batch notice.
    CDesktopNotices(QString busAddress, std::function<void()> showPanel);
    ~CDesktopNotices();
    CDesktopNotices(const CDesktopNotices&) = delete;
    CDesktopNotices& operator=(const CDesktopNotices&) = delete;

    // Files of this session were added or ran: the next settled batch is told. Tasks
    // restored already finished at start do not arm it (the user saw those before).
    void Arm() { m_Armed = true; }
    // No task is open any more: tells the files finished since the last such notice, when
    // armed.
    void BatchSettled(const CBatchCounters::Snapshot& counts);
    void LinkMade(const QString& url, bool copied);
    void WeiboPosted();
    void Refused(std::u16string_view caption, std::u16string_view text);

private:
    platform::CDesktopNotifier& Notifier();

    QString m_BusAddress;
    std::function<void()> m_ShowPanel;
    std::unique_ptr<platform::CDesktopNotifier> m_Notifier;  // connected on first use
    int m_NoticedDone = 0;
    bool m_Armed = false;
};

CDesktopNotices* DesktopNotices();

}  // namespace ui
