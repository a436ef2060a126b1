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

// One of the states above.
bool IsKnownState(int32_t state);
// A run's end other than success (5, 6, 7, 9..14): the states a retry leaves.
bool IsFailureEnd(int32_t state);
// A state a saved task can be restored in: every known state but 8, which only a task
// being freed ever has.
bool IsRestorableState(int32_t state);
// The diagram above as a rule: true when `from` may become `to` (equal states included).
bool IsLegalMove(int32_t from, int32_t to);

// With the task lock held: the task's state becomes `to` when the move is legal, and the
// saved task list is marked out of date; true then (also when the state was `to`
// already). An illegal move changes nothing, is logged and gives false.
bool MoveTaskLocked(UploadContext& task, int32_t to);

}  // namespace intake
