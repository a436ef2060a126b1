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

// The parameter codes of the messages above. A code's meaning depends on the window that
// receives it: WM_USERINFO_DONE 1 is a login's user information to the main window and a
// binding to check again to a Weibo window. Messages not listed carry no codes: (0, 0),
// a task id, or an address as their comments say.

// WM_TASK_CHANGED to a share-link window (lParam the address of the task's update record):
// whether the task's upload just ended.
enum LinkTaskChange : platform::WParam {
    kLinkTaskNoEnd = 0,     // no end of an upload
    kLinkTaskUploaded = 1,  // it was uploading and is complete
    kLinkTaskFailed = 2,    // it was uploading and failed
};

// WM_USERINFO_DONE (wParam) to the main window and the login dialog.
enum UserInfoDone : platform::WParam {
    kUserInfoAfterLogin = 1,  // the user information after a login arrived
    kUserInfoQueried = 2,     // a query's user information arrived (nothing to do)
    kUserInfoCleared = 3,     // with lParam 0: the user strings are cleared (logout)
};
// WM_USERINFO_DONE (wParam) to a share-link window: its link request ended.
inline constexpr platform::WParam kShareLinkEnded = 0;
// WM_USERINFO_DONE (wParam) to a Weibo window.
enum WeiboDone : platform::WParam {
    kWeiboBindingChanged = 1,  // the binding may have changed: check it again
    kWeiboPostEnded = 2,       // the post ended; lParam 1 when it was made, else 0
    kWeiboLinkEnded = 5,       // the link request ended; lParam 1 when it failed, else 0
    kWeiboTaskChanged = 6,     // a task changed; lParam the address of its text (below)
};
// The "type=" of that text: whether the task's upload just ended.
enum WeiboTaskText : int {
    kWeiboTaskNoEnd = 0,
    kWeiboTaskUploaded = 3,
    kWeiboTaskFailed = 4,
};

// WM_MINI_COUNTER: wParam what happened, lParam which of two.
enum MiniCounterEvent : platform::WParam {
    kCounterTaskEnded = 0,        // lParam kCounterSucceeded or kCounterFailed
    kCounterFailureResolved = 1,  // lParam kCounterFailureRemoved or kCounterFailureRetried
};
enum MiniCounterEnd : platform::LParam { kCounterSucceeded = 0, kCounterFailed = 1 };
enum MiniCounterResolution : platform::LParam {
    kCounterFailureRemoved = 0,  // removed by the user: it counts as finished
    kCounterFailureRetried = 1,  // tried again: it is open again
};

// WM_ACCOUNT_COMMAND: wParam the group, lParam the command in it.
enum AccountCommandGroup : platform::WParam {
    kAccountLogin = 0,         // lParam kAccountLogOut or kAccountLogInAgain
    kAccountWeibo = 1,         // lParam kWeiboUnbindAccount or kWeiboBindAccount
    kAccountAutoLoginWeb = 2,  // lParam the automatic web-login option's new value
};
enum AccountLoginCommand : platform::LParam { kAccountLogOut = 0, kAccountLogInAgain = 1 };
enum AccountWeiboCommand : platform::LParam { kWeiboUnbindAccount = 0, kWeiboBindAccount = 1 };

}  // namespace intake
