// The task container's rows: adding, updating, removing and retrying tasks.

#include "ui/task_container.h"

#include <cstdio>

#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/upload_context.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/text.h"

namespace ui {
namespace {

using platform::LResult;

constexpr uint32_t WM_VSCROLL = 0x0115;
constexpr platform::WParam SB_LINEUP = 0;
constexpr platform::WParam SB_LINEDOWN = 1;
constexpr platform::WParam SB_PAGEUP = 2;
constexpr platform::WParam SB_PAGEDOWN = 3;

void LogTask(std::u16string_view what, const std::u16string& name) {
    Log().Write(L3_KEY, log_events::kUploaderTask, true, {}, what, u"FileName=" + name);
}

// The owner of a share-link task hears whether the upload just ended.
intake::LinkTaskChange ShareLinkCode(int32_t before, int32_t now) {
    if (before != intake::kTaskUploading)
        return intake::kLinkTaskNoEnd;
    if (now == intake::kTaskComplete)
        return intake::kLinkTaskUploaded;
    return intake::IsFailureState(now) ? intake::kLinkTaskFailed : intake::kLinkTaskNoEnd;
}

// The same for a Weibo task, in its text form.
std::u16string WeiboText(int32_t before, const CTaskUpdate& update) {
    const intake::LinkTaskChange code = ShareLinkCode(before, update.state);
    const int type = code == intake::kLinkTaskUploaded ? intake::kWeiboTaskUploaded
                     : code == intake::kLinkTaskFailed ? intake::kWeiboTaskFailed
                                                       : intake::kWeiboTaskNoEnd;
    return u"type=" + platform::Utf8ToWide(std::to_string(type)) + u";url=" + update.remoteUrl +
           u";name=" + update.name + u";len=" +
           platform::Utf8ToWide(std::to_string(update.length)) + u";id=" +
           platform::Utf8ToWide(std::to_string(update.linkId)) + u";";
}

}  // namespace

CTaskWinContainer::CTaskWinContainer(QWidget* parent, CBatchCounters& counters, CHooks hooks)
    : QWidget(parent),
      m_Counters(counters),
      m_Hooks(std::move(hooks)),
      m_Window(*this, [this](uint32_t message, platform::WParam w, platform::LParam l) {
          return WindowProc(message, w, l);
      }) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover, false);
    m_TipTimer.setSingleShot(true);
    m_TipTimer.setInterval(kTooltipDelayMs);
    QObject::connect(&m_TipTimer, &QTimer::timeout, [this] { ShowTooltip(); });
}

CTaskWinContainer::~CTaskWinContainer() = default;

LResult CTaskWinContainer::WindowProc(uint32_t message, platform::WParam wParam, platform::LParam) {
    switch (message) {
        case intake::WM_TASK_REMOVE:
            return OnCancelTask(static_cast<int32_t>(wParam));
        case intake::WM_TASK_RETRY:
            return OnRetryTask(static_cast<int32_t>(wParam));
        case WM_VSCROLL:
            if (wParam == SB_LINEUP || wParam == SB_LINEDOWN)
                ScrollBy(wParam == SB_LINEUP ? -1 : 1);
            else if (wParam == SB_PAGEUP || wParam == SB_PAGEDOWN)
                ScrollBy((wParam == SB_PAGEUP ? -1 : 1) * kVisibleHeight / kRowPitch);
            return 0;
        default:
            return 0;
    }
}

const CTaskBarWin* CTaskWinContainer::Row(int32_t id) const {
    const auto found = m_Rows.find(id);
    return found == m_Rows.end() ? nullptr : found->second.get();
}

int CTaskWinContainer::AddTask(const CTaskUpdate& update) {
    if (HasRow(update.taskId))
        return 0;
    auto row = std::make_unique<CTaskBarWin>(update, m_Hooks.tickMs());
    m_Rows.emplace(update.taskId, std::move(row));
    // An empty or too large file failed the moment its task was made.
    if (intake::IsRefusedAtCreation(update.state)) {
        OnCountersChanged(m_Counters.TaskFailed());
        Log().WriteErrorCode(update.state, L3_KEY, log_events::kUploaderTask,
                             u"FileName=" + update.name);
    }
    RowsChanged();
    LogTask(u"Add Task", update.name);
    return 1;
}

int32_t CTaskWinContainer::UpdateTask(const CTaskUpdate& update) {
    const auto found = m_Rows.find(update.taskId);
    if (found == m_Rows.end())
        return -1;
    CTaskBarWin& row = *found->second;
    const bool wasFailed = row.IsFailed();
    // A failure is left only through a retry; one the queue made when a run returned is
    // counted as it shows.
    if (wasFailed && update.state != row.State())
        OnCountersChanged(m_Counters.FailureRetried());
    const int32_t before = row.Update(update, m_Hooks.tickMs());
    if (m_FailedFirst && wasFailed != row.IsFailed())
        RowsChanged();
    else
        RepaintRow(update.taskId);
    NotifyOwner(row, before, update);
    return before;
}

void CTaskWinContainer::NotifyOwner(const CTaskBarWin& row, int32_t before,
                                    const CTaskUpdate& update) {
    const platform::WindowHandle owner = row.OwnerWnd();
    if (owner == platform::kNoWindow || !platform::IsWindow(owner))
        return;
    if (row.OwnerKind() == kOwnerShareLink) {
        // Sent: the record lives on this stack until the owner has read it.
        platform::SendMessage(owner, intake::WM_TASK_CHANGED, ShareLinkCode(before, update.state),
                              reinterpret_cast<platform::LParam>(&update));
    } else if (row.OwnerKind() == kOwnerWeibo) {
        const std::u16string text = WeiboText(before, update);
        platform::SendMessage(owner, intake::WM_USERINFO_DONE, intake::kWeiboTaskChanged,
                              reinterpret_cast<platform::LParam>(&text));
    }
}

LResult CTaskWinContainer::OnCancelTask(int32_t id) {
    const auto found = m_Rows.find(id);
    if (found == m_Rows.end())
        return 0;
    const int32_t state = found->second->State();
    const std::u16string name = found->second->Name();
    if (intake::IsFailureState(state))
        OnCountersChanged(m_Counters.FailureRemoved());
    else if (state != intake::kTaskComplete)
        OnCountersChanged(m_Counters.TaskSucceeded());  // given up: it counts as finished
    intake::RemoveTask(id);
    m_Rows.erase(found);
    if (m_HoverId == id)
        m_HoverId = 0;
    if (Count() <= kRowsPerPage)
        m_FirstVisible = 0;
    RowsChanged();
    LogTask(u"Cancel Task", name);
    return 1;
}

// The row shows what the queue did: waiting at once when the task was queued again; when
// its run still returns, it stays failed until the queue's report of the retry.
LResult CTaskWinContainer::OnRetryTask(int32_t id) {
    const auto found = m_Rows.find(id);
    if (found == m_Rows.end() || !found->second->IsFailed())
        return 0;
    const intake::RetryOutcome outcome = intake::RetryTask(id);
    if (outcome == intake::RetryOutcome::Refused)
        return 0;
    if (outcome == intake::RetryOutcome::Queued) {
        OnCountersChanged(m_Counters.FailureRetried());
        found->second->ResetForRetry();
        RowsChanged();
    }
    LogTask(u"Retry Task", found->second->Name());
    return 1;
}

void CTaskWinContainer::OnCountersChanged(bool completeWithFailures) {
    if (completeWithFailures)
        SetFailedFirst();
}

void CTaskWinContainer::SetFailedFirst() {
    if (m_FailedFirst)
        return;
    m_FailedFirst = true;
    RowsChanged();
}

void CTaskWinContainer::RemoveAllRows() {
    m_Rows.clear();
    m_HoverId = 0;
    m_PressId = 0;
    m_FirstVisible = 0;
    RowsChanged();
}

}  // namespace ui
