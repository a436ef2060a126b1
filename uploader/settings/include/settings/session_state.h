#pragma once

// Process-wide flags and counters shared by intake, the windows and the login, created
// with the settings.

#include <atomic>

namespace platform {
class Event;
}

namespace settings {

extern std::atomic<int> g_LoggedIn;      // nonzero once a login succeeded or was restored
extern std::atomic<int> g_LoginShown;    // nonzero while the login dialog opened by intake is up
extern std::atomic<int> g_WeiboBusy;     // nonzero while a Sina Weibo post window is open
extern std::atomic<int> g_BatchCount;    // accepted upload batches and open share/post windows
extern std::atomic<int> g_PendingCount;  // shared with the main and mini windows

// Manual-reset: tells running network waits of the upload engine to give up.
platform::Event& AbortEvent();

}  // namespace settings
