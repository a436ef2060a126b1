#pragma once

// The upload queue: task ids wait in a first-in, first-out request queue; five worker
// threads take them one at a time and run the per-file upload driver, so that up to five
// files upload at once. After each task a worker pauses (500 ms) before taking the next.
//
// Queue operations run on the user-interface thread; they hold the task lock for their
// whole body. A running task is never freed by them: it is marked (8 removed, 15 paused)
// and its stop event wakes the driver; a removed task is freed by its worker.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "intake/upload_context.h"
#include "platform/window.h"

namespace intake {

inline constexpr int kWorkerCount = 5;

// The queue belongs to the library's root (intake/library.h), which stops it when it is
// destroyed.
//
// Starts the workers (at library load): clears the exit and abort events and the stop
// flag, then lets task changes reach the main window. Nothing happens when they run.
void StartQueue(int workers = kWorkerCount);
// Sets the stop flag, stops taking task changes, signals the exit and abort events and
// stops every task (CloseAllWnd, the exit command). The workers end on their own.
void BeginShutdown();
// BeginShutdown, then waits for every worker to end (at library unload). Safe to call
// more than once and when nothing was started.
void StopQueue();
// True from BeginShutdown until the next StartQueue; the engine gives up when it is set.
bool IsShuttingDown();

// One file of an accepted upload request (owner: the main window, account upload).
// Returns the new task id, or 0 when the intake filter refuses the path.
int32_t AddUploadRequest(std::u16string dir, std::u16string name);
// A task of the saved list: saved states 1 and 2 are queued again as 1, others are kept.
int32_t AddRestoredTask(std::u16string dir, std::u16string name, int32_t state);
// The user removed the task: freed at once, or told to stop and freed by its worker.
void RemoveTask(int32_t id);
// The user retries a failed task (5, 6, 7, 9..14): waiting again, queued in the order of
// the ids. A task whose driver still returns is retried by its worker once the run
// returned, and its change is then reported like any other. Nothing else is retried.
enum class RetryOutcome { Refused, Queued, WhenRunReturns };
RetryOutcome RetryTask(int32_t id);
// Every waiting and uploading task is paused; uploading ones will resume first.
void PauseAll();
void ResumeAll();
// Empties the queue and the map: uploading tasks are told to stop (their workers free
// them), the others are freed; the changes waiting for the main window are dropped.
void StopAllTasks();

// A task changed outside the engine: queue its id for the main window and wake it.
void QueueTaskChange(int32_t id);
// The engine's report of a change: to the main window through its queue, else posted to
// the owner window with the id. Dropped when the window no longer exists.
void NotifyTask(int32_t id, platform::WindowHandle wnd);
// The main window takes the changed ids one at a time; false when none is waiting. It
// gets WM_TASK_CHANGED when the first id arrives in an empty queue, and must take ids
// until none is left (or wake itself again to go on later).
bool PopChangedTask(int32_t& id);

// The per-file upload driver, run on a worker without the task lock. It returns when the
// task reached a final state, was paused or removed; its result is the engine's code.
using UploadDriver = std::function<int(UploadContext&)>;
void SetUploadDriver(UploadDriver driver);
// True when an upload driver is installed (the upload engine is built in).
bool HasUploadDriver();
// The pause of a worker after each task (500 ms).
void SetPauseAfterTask(std::chrono::milliseconds pause);

// The number of ids waiting in the request queue.
size_t QueuedTaskCount();

}  // namespace intake
