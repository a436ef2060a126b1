#pragma once

// The scrolling list of task rows inside the main window (control id 10000).
//
// Rows are kept by task id. They are shown in id order, or, once a batch ended with
// failures, failed ones first (each group in id order). Rows are 52 pixels apart and
// overlap by 4; six fit the list. With more than six a drawn scroll bar appears on the
// right (the rows lose 18 pixels of width for it); the wheel (one row per notch), the
// Up/Down keys (one row), Page Up/Down and clicks on the track (six rows) and dragging the
// thumb scroll the list.
//
// The container paints the visible rows itself (see task_bar.h). A click on a row's
// remove glyph or retry text is sent to the container as WM_TASK_REMOVE / WM_TASK_RETRY,
// which count the change in the batch counters and pass it to the queue.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/batch_counters.h"
#include "ui/task_bar.h"
#include "ui/window_registration.h"

namespace ui {

class CTaskWinContainer final : public QWidget {
public:
    static constexpr int kControlId = 10000;
    static constexpr int kRowPitch = 52;
    static constexpr int kRowOverlap = 4;
    static constexpr int kRowsPerPage = 6;
    static constexpr int kVisibleHeight = 312;
    static constexpr int kNoScrollBarExtra = 18;  // row width added while there is no scroll bar
    static constexpr int kTooltipDelayMs = 1500;
    static constexpr int kThumbFirstY = 10;  // the thumb moves within 10 .. 300
    static constexpr int kThumbRange = 290;

    // What the container asks of the window around it.
    struct CHooks {
        std::function<void()> pointerActivity;                   // the pointer moved over the list
        std::function<uint64_t()> tickMs;                        // milliseconds, for the speeds
        std::function<void(std::u16string folder)> visitFolder;  // "查看": the web disk folder
        std::function<void(int32_t state)> openShopPage;  // "升级VIP>>" (7), "扩容>>" (11)
    };

    CTaskWinContainer(QWidget* parent, CBatchCounters& counters, CHooks hooks);
    ~CTaskWinContainer() override;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }

    // Adds a row for a new task; 0 (and nothing changes) when the id has one already.
    int AddTask(const CTaskUpdate& update);
    // Updates the task's row and tells the task's owner window; the row's state before,
    // or -1 when the id has no row.
    int32_t UpdateTask(const CTaskUpdate& update);
    bool HasRow(int32_t id) const { return m_Rows.contains(id); }
    const CTaskBarWin* Row(int32_t id) const;
    // Closes every row (the main window closes or quits).
    void RemoveAllRows();

    // Failed rows first from now on.
    void SetFailedFirst();
    bool FailedFirst() const { return m_FailedFirst; }

    int Count() const { return static_cast<int>(m_Rows.size()); }
    int FirstVisible() const { return m_FirstVisible; }
    bool ScrollBarShown() const { return Count() > kRowsPerPage; }
    int RowWidth() const;
    // Ids in display order.
    std::vector<int32_t> DisplayOrder() const;
    // Where the row at a display index lies in the container.
    QRect RowRect(int index) const;
    // Scrolls so that the row at the index is the first visible, within 0 .. Count() - 6.
    void ScrollTo(int firstVisible);

    struct CThumb {
        int top = 0;
        int height = 0;
    };
    // The scroll-bar thumb for that many rows scrolled to that row: height
    // 290 / (count / 6 + 1), moving from 10 to the bottom as the list scrolls.
    static CThumb Thumb(int count, int firstVisible);
    QRect TrackRect() const;
    QRect ThumbRect() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam);
    platform::LResult OnCancelTask(int32_t id);
    platform::LResult OnRetryTask(int32_t id);
    void OnCountersChanged(bool completeWithFailures);
    void NotifyOwner(const CTaskBarWin& row, int32_t before, const CTaskUpdate& update);
    void RowsChanged();
    void RepaintRow(int32_t id);
    void ScrollBy(int rows);
    void RebuildOrder() const;
    // The display index of the row under the point, or -1.
    int IndexAt(QPoint point) const;
    void Hover(int32_t id, RowPart part);
    void ClickRow(int32_t id, RowPart part);
    void DragThumb(int y);
    void ShowTooltip();
    void PaintScrollBar(QPainter& painter) const;

    CBatchCounters& m_Counters;
    CHooks m_Hooks;
    std::map<int32_t, std::unique_ptr<CTaskBarWin>> m_Rows;
    mutable std::vector<CTaskBarWin*> m_Order;  // display order, rebuilt when dirty
    mutable std::unordered_map<int32_t, int> m_IndexOf;
    mutable bool m_OrderDirty = true;
    int m_FirstVisible = 0;
    bool m_FailedFirst = false;

    int32_t m_HoverId = 0;  // the row under the pointer, 0 for none
    RowPart m_HoverPart = RowPart::None;
    int32_t m_PressId = 0;  // the row the left button went down on
    RowPart m_PressPart = RowPart::None;
    bool m_Dragging = false;
    int m_DragOffset = 0;  // pointer y minus thumb top when the drag began
    int m_WheelDelta = 0;  // wheel units not yet worth a row
    QTimer m_TipTimer;
    QPoint m_TipPoint;

    CWindowRegistration m_Window;  // last: messages may come once it exists
};

}  // namespace ui
