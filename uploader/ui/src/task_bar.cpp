#include <algorithm>
#include <cstdio>

#include "intake/upload_context.h"
#include "ui/task_bar.h"

namespace ui {
namespace {

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kSpeedAfterMs = 2000;  // the speed is shown once two whole seconds passed

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string LinkTextOf(int32_t state) {
    if (state == intake::kTaskTooLarge)
        return u"升级VIP>>";
    if (state == intake::kTaskDiskFull)
        return u"扩容>>";
    return {};
}

}  // namespace

std::u16string SizeLimitText(uint64_t limitBytes) {
    char text[48];
    if (limitBytes >= kMiB)
        std::snprintf(text, sizeof text, "%.1fM", static_cast<double>(limitBytes) / kMiB);
    else
        std::snprintf(text, sizeof text, "%.1fK", static_cast<double>(limitBytes) / 1024);
    return Ascii(text);
}

std::u16string PercentText(float progress) {
    char text[16];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(progress) * 100);
    return Ascii(text);
}

CTaskBarWin::CTaskBarWin(const CTaskUpdate& update, uint64_t nowMs)
    : m_TaskId(update.taskId),
      m_Name(update.name),
      m_FullName(update.fullName),
      m_RemotePath(update.remotePath),
      m_OwnerKind(update.ownerKind),
      m_OwnerWnd(update.ownerWnd) {
    SetState(update.state, nowMs);
    SetSizes(update.doneSize, update.totalSize, nowMs);
}

int32_t CTaskBarWin::Update(const CTaskUpdate& update, uint64_t nowMs) {
    const int32_t before = m_State;
    SetState(update.state, nowMs);
    SetSizes(update.doneSize, update.totalSize, nowMs);
    return before;
}

void CTaskBarWin::ResetForRetry() {
    m_State = intake::kTaskWaiting;
    m_StartTick = 0;
    m_DoneSize = 0;
    m_Progress = 0;
    m_Speed = 0;
    m_LinkText.clear();
}

void CTaskBarWin::SetState(int32_t state, uint64_t nowMs) {
    m_State = state;
    m_LinkText = LinkTextOf(state);
    if (state == intake::kTaskUploading && m_StartTick == 0)
        m_StartTick = nowMs;
    if (state == intake::kTaskWaiting) {
        m_StartTick = 0;
        m_Speed = 0;
    }
}

void CTaskBarWin::SetSizes(uint64_t done, uint64_t total, uint64_t nowMs) {
    if (m_State == intake::kTaskWaiting)
        done = 0;  // a task waiting again starts from nothing
    m_TotalSize = total;
    m_DoneSize = std::min(done, total);
    m_Progress = total == 0 ? 0.0f
                            : std::min(1.0f, static_cast<float>(static_cast<double>(m_DoneSize) /
                                                                static_cast<double>(total)));
    if (m_State == intake::kTaskUploading && m_StartTick != 0 &&
        nowMs >= m_StartTick + kSpeedAfterMs)
        m_Speed = m_DoneSize / ((nowMs - m_StartTick) / 1000);
}

}  // namespace ui
