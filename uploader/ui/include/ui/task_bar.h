#pragma once

// One row of the task list: a task's name, its progress bar or result line, and the
// clickable remove glyph, retry, view and upgrade texts.
//
// Rows are not widgets: the task container paints the visible ones and routes the
// pointer to them, so that thousands of tasks cost no more than the rows on screen.
// CTaskBarWin keeps a row's state and knows how the row looks, where its parts are and
// what a click on each part means.
//
// States are the task record's (intake/task_states.h); a paused task is drawn as
// uploading, a removed one (and a number that is no state) draws no status line.

#include <QColor>
#include <QRect>
#include <cstdint>
#include <string>

#include "intake/task_states.h"
#include "ui/task_update.h"

class QPainter;

namespace ui {

// The clickable parts of a row.
enum class RowPart { None, Remove, Retry, View, Upgrade };

// What the status line of a state shows.
struct CStatusLook {
    enum class Icon { None, Waiting, Failed, Success };
    Icon icon = Icon::None;
    bool progress = false;  // the progress bar and percentage instead of a text
    std::u16string text;
    QColor colour;
    int textX = 0;
    RowPart link = RowPart::None;  // Retry, View or Upgrade
    std::u16string linkText;
    QColor linkColour;
    int linkX = 0;
};

// The account's size limit after "文件大小超过": bytes / 1 MiB as "%.1fM" from 1 MiB on,
// else bytes / 1024 as "%.1fK".
std::u16string SizeLimitText(uint64_t limitBytes);
// The percentage without its "%": progress x 100 as "%.0f".
std::u16string PercentText(float progress);

class CTaskBarWin {
public:
    // Row geometry, in row coordinates.
    static constexpr int kStatusY = 28;
    static constexpr int kNameX = 10;
    static constexpr int kNameY = 10;
    static constexpr int kNameWidth = 172;
    static constexpr int kTrackWidth = 176;

    CTaskBarWin(const CTaskUpdate& update, uint64_t nowMs);

    // Takes the task's new state and sizes; returns the state before.
    int32_t Update(const CTaskUpdate& update, uint64_t nowMs);
    // Waiting again, from nothing (retry).
    void ResetForRetry();

    int32_t TaskId() const { return m_TaskId; }
    int32_t State() const { return m_State; }
    bool IsFailed() const { return intake::IsFailureState(m_State); }
    float Progress() const { return m_Progress; }
    uint64_t Speed() const { return m_Speed; }  // bytes per second
    uint64_t StartTick() const { return m_StartTick; }
    uint64_t DoneSize() const { return m_DoneSize; }
    uint64_t TotalSize() const { return m_TotalSize; }
    const std::u16string& Name() const { return m_Name; }
    const std::u16string& FullName() const { return m_FullName; }
    const std::u16string& RemotePath() const { return m_RemotePath; }
    const std::u16string& LinkText() const { return m_LinkText; }
    int32_t OwnerKind() const { return m_OwnerKind; }
    platform::WindowHandle OwnerWnd() const { return m_OwnerWnd; }

    // The status line for a row of the given width.
    CStatusLook Look(int rowWidth) const;
    // Where a part lies; empty when the row does not show it.
    QRect PartRect(RowPart part, int rowWidth) const;
    RowPart HitTest(QPoint point, int rowWidth) const;
    // Paints the row at the painter's origin (without its background picture); the part
    // under the pointer is drawn hovered.
    void Paint(QPainter& painter, int rowWidth, RowPart hovered) const;

private:
    void SetState(int32_t state, uint64_t nowMs);
    void SetSizes(uint64_t done, uint64_t total, uint64_t nowMs);

    int32_t m_TaskId = 0;
    int32_t m_State = 0;
    std::u16string m_Name;
    std::u16string m_FullName;
    std::u16string m_RemotePath;
    uint64_t m_StartTick = 0;  // ms when the task entered state 2; 0 otherwise
    uint64_t m_TotalSize = 0;
    uint64_t m_DoneSize = 0;  // never above m_TotalSize
    float m_Progress = 0;     // m_DoneSize / m_TotalSize, 0 for an empty file
    uint64_t m_Speed = 0;     // average since m_StartTick, bytes per second
    int32_t m_OwnerKind = kOwnerNone;
    platform::WindowHandle m_OwnerWnd = platform::kNoWindow;
    std::u16string m_LinkText;  // "升级VIP>>" in state 7, "扩容>>" in state 11
};

}  // namespace ui
