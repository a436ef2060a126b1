#pragma once

// Intake's part of the library's state (owned by the composition root, intake/library.h).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "intake/request_entry.h"
#include "intake/upload_context.h"
#include "platform/window.h"

namespace intake {

// The main window is read by the workers; the rest belongs to the user-interface thread
// but is guarded all the same, since hosts and tests may call in from elsewhere. The lock
// is never held while a window is created or a handler runs.
struct IntakeState {
    std::atomic<platform::WindowHandle> mainWindow{platform::kNoWindow};
    std::mutex lock;
    std::vector<platform::WindowHandle> secondary;
    platform::WindowHandle loginWindow = platform::kNoWindow;
    std::vector<RequestBatch> waitingForLogin;
    std::atomic<int32_t> lastTaskId{kFirstTaskId - 1};  // the id of the newest task record
};

}  // namespace intake
