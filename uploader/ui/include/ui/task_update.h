#pragma once

// The update record of one task, built by the main window from the task record and
// handed to the task container (add task, update task) and, for tasks that a share-link
// or Sina Weibo window owns, on to that window.

#include <cstdint>
#include <string>

#include "platform/window.h"

namespace ui {

// Who wants the result of a task besides the main window.
enum OwnerKind : int32_t {
    kOwnerNone = 0,
    kOwnerShareLink = 1,  // a share-link window: WM_TASK_CHANGED with this record
    kOwnerWeibo = 2,      // a Sina Weibo window: WM_USERINFO_DONE 6 with a text
};

// The property a share-link or Weibo window sets on its handle (value: its OwnerKind) so
// that the rows of the tasks it owns report to it.
inline constexpr std::u16string_view kOwnerKindProperty = u"norvel_task_owner_kind";

struct CTaskUpdate {
    int32_t taskId = 0;
    int32_t state = 0;
    std::u16string name;        // display name: the file's name
    std::u16string fullName;    // the full local path, for the tooltip
    std::u16string remotePath;  // folder below the received-files folder ("" or "Photos/2011")
    uint64_t totalSize = 0;
    uint64_t doneSize = 0;
    int32_t ownerKind = kOwnerNone;
    platform::WindowHandle ownerWnd = platform::kNoWindow;
    std::u16string remoteUrl;  // for the owner notification
    int32_t linkId = 0;
    int32_t length = 0;
};

}  // namespace ui
