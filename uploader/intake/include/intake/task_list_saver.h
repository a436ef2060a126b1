#pragma once

// Keeps the saved task list "uploader.dat" current while the library runs, so that a
// crash, a power cut or a killed process loses no task: adds, removals and changes of
// state mark the list out of date, and a saver thread of the queue writes it (the same
// bytes and the same atomic replacement as the exit's save) once the changes of one
// delay were gathered, so a burst of changes costs one write.
//
// The saver writes only once the saved list of the run was restored (RestoreSavedTasks):
// before that a write would replace tasks not yet read back. An orderly shutdown stops
// every task and the saver writes that once more, unless the exit's own save wrote the
// list first (then that stays); so only a crash leaves the running list behind, as the
// exit without a save always dropped the tasks. The queue joins the saver with the workers.

#include <chrono>
#include <cstddef>

namespace intake {

inline constexpr std::chrono::milliseconds kTaskListSaveDelay{1000};

// The tasks were added, removed or changed state. Any thread; the task lock may be held.
void MarkTaskListChanged();
// The time from a change to the write that takes it with the changes made meanwhile (1 s):
// the list is written at most about once per delay.
void SetTaskListSaveDelay(std::chrono::milliseconds delay);
// Lists written by the saver thread so far in this process.
size_t TaskListWrites();

}  // namespace intake
