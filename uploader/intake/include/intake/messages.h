#pragma once

// The window messages of the system, one table for the library and the launcher.

#include <cstdint>

#include "platform/window.h"

namespace intake {

using platform::WM_USER;

// Task row to task container, sent; wParam task id: remove the task.
inline constexpr uint32_t WM_TASK_REMOVE = WM_USER + 1;  // 1025
// Task row to task container, sent; wParam task id: retry the task.
inline constexpr uint32_t WM_TASK_RETRY = WM_USER + 2;  // 1026
// Posted. To the main window with (0, 0): ids wait in the progress queue. To a task's own
// owner window with (0, task id): that task changed.
inline constexpr uint32_t WM_TASK_CHANGED = WM_USER + 100;  // 1124
// SetUpLoadTask to the main window, sent; lParam the address of a request batch.
inline constexpr uint32_t WM_REQUEST_BATCH = WM_USER + 101;  // 1125
// Task rows and container to the mini window, sent: its counters change.
inline constexpr uint32_t WM_MINI_COUNTER = WM_USER + 102;  // 1126
// From outside the system to the main window: save the task list, then exit.
inline constexpr uint32_t WM_SAVE_AND_EXIT = WM_USER + 204;  // 1228
// Background requests to the window that started them: user information, link and post
// results.
inline constexpr uint32_t WM_USERINFO_DONE = WM_USER + 500;  // 1524
// Main window to itself, sent: hand every batch that waited for a login back to intake.
inline constexpr uint32_t WM_LOGIN_DONE = WM_USER + 501;  // 1525
// From outside the system to the main window: account commands (wParam, lParam).
inline constexpr uint32_t WM_ACCOUNT_COMMAND = WM_USER + 502;  // 1526
// Weibo post window to itself, posted: its next step.
inline constexpr uint32_t WM_WEIBO_STEP = WM_USER + 505;  // 1529
// From outside the system to the main, share-link and Weibo windows: start the updater.
inline constexpr uint32_t WM_START_UPDATER = WM_USER + 603;  // 1627
// From outside the system to the same windows: 1 while uploads are pending, else 0.
inline constexpr uint32_t WM_QUERY_PENDING = WM_USER + 604;  // 1628
// Launcher's listener thread to the launcher's window, sent; lParam a request batch.
inline constexpr uint32_t WM_PIPE_BATCH = WM_USER + 1001;  // 2025

}  // namespace intake
