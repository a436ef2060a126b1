#pragma once

// The counters of the current batch of uploads, shown by the mini window and changed by
// the main window and the task rows: files added (total), finished well (done: successes
// and tasks the user removed), finished with a failure (fail). Open tasks are
// total - done - fail.
//
// Every task also counts once in the session's pending count (g_PendingCount) while it is open:
// adding files raises it, a result lowers it, a retry raises it again. WM_QUERY_PENDING answers
// from it, so uploads are pending exactly while some task is open (or a share-link or
// Weibo window is).
//
// A batch is complete with failures when no task is open and at least one failed; the
// task list then shows failed tasks first. Each change returns whether that is now so.
// Thread-safe.

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/window.h"

namespace ui {

class CBatchCounters {
public:
    struct Snapshot {
        int total = 0;
        int done = 0;
        int fail = 0;
        bool hadFailure = false;  // some task failed; cleared when the last failure goes

        int Open() const { return total - done - fail; }
    };

    // Files added to the batch (the files-added notice).
    void AddTotal(int count);
    // A task finished well: done + 1.
    bool TaskSucceeded();
    // A task failed: fail + 1.
    bool TaskFailed();
    // A failed task was removed: fail - 1, done + 1.
    bool FailureRemoved();
    // A failed task is tried again: fail - 1, and it is open again.
    bool FailureRetried();
    // The mini window's counter message (WM_MINI_COUNTER, intake/messages.h): a task
    // ended (succeeded, failed), or a failure was resolved (removed, retried).
    bool Apply(platform::WParam wParam, platform::LParam lParam);
    // Back to zero (quitting); the tasks' pending counts are dropped with them.
    void Reset();

    Snapshot Get() const;
    // Successful uploads since start; not reset.
    int SuccessTotal() const;
    void CountSuccess();

    // Called after every change, outside the lock (the mini window repaints).
    void SetOnChange(std::function<void()> onChange);

private:
    template <typename Fn>
    bool Modify(Fn change);

    mutable std::mutex m_Lock;
    Snapshot m_Counts;
    int m_SuccessTotal = 0;
    std::function<void()> m_OnChange;
};

}  // namespace ui
