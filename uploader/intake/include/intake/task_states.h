#pragma once

// The states of a task and the one function through which a task's state changes.
//
// A record is created waiting (1), or refused at once (6 empty or missing file, 7 larger
// than the account's limit); a restored record takes its saved state (2 comes back as 1,
// one no task can have as 5: task_list.h).
// From then on every change is one of these moves:
//
//   1 --take (worker)--> 2 --end of the run--> 3 | 5 | 6 | 7 | 9..14
//   1, 2 --pause--> 15 --resume--> 1
//   15 --end of a run that had stored the whole file before it saw the pause--> 3
//   5 | 6 | 7 | 9..14 --retry--> 1    (asked while the run still returns: done when it
//                                      returns, see queue.h)
//   any --remove--> 8                 (nothing leaves 8)
//
// Everything else is refused, changes nothing and is logged: a paused or removed task
// never becomes uploading (a paused one goes back to waiting through resume, and a worker
// takes it from there), a failure is left only through a retry, a finished upload and a
// removed task stay as they are. A move to the state the task already has is no change.

#include <cstdint>

namespace intake {

struct UploadContext;

enum TaskState : int32_t {
    kTaskWaiting = 1,
    kTaskUploading = 2,
    kTaskComplete = 3,
    kTaskFailed = 5,
    kTaskEmptyFile = 6,
    kTaskTooLarge = 7,
    kTaskCancelled = 8,  // removed by the user while uploading
    kTaskFileLocked = 9,
    kTaskFileMissing = 10,
    kTaskDiskFull = 11,
    kTaskTimeout = 12,
    kTaskParentMissing = 13,
    kTaskFileExists = 14,
    kTaskPaused = 15,
};

// Which states belong to which class. Every module asks these, never the numbers.
//
// One of the states above (4 is no state).
bool IsKnownState(int32_t state);
// A run's end other than success (5, 6, 7, 9..14): the states a retry leaves, the rows
// the task list shows as failed and counts as failures.
bool IsFailureState(int32_t state);
// A record refused when it was made (6 empty file, 7 larger than the account's limit): it
// is failed from the start, and no driver runs it.
bool IsRefusedAtCreation(int32_t state);
// A saved state a restored task keeps: every known state but 8, which only a task being
// freed ever has. Any other saved state is restored as failed (5).
bool IsKeptOnRestore(int32_t state);
// A saved state whose task is queued again when it is restored (1, 2): it comes back
// waiting.
bool IsQueuedOnRestore(int32_t state);
// The diagram above as a rule: true when `from` may become `to` (equal states included).
bool IsLegalMove(int32_t from, int32_t to);

// Whether a task is an entry of the saved task list: the queue's tasks are; the tasks a
// share-link or Weibo batch owns are not, and their removal leaves the list alone.
enum class TaskListing { Listed, Unlisted };

// With the task lock held: the task's state becomes `to` when the move is legal, and the
// saved task list is marked out of date when the task is listed; true then (also when the
// state was `to` already). An illegal move changes nothing, is logged and gives false.
bool MoveTaskLocked(UploadContext& task, int32_t to, TaskListing listing = TaskListing::Listed);

}  // namespace intake
