#include "settings/session_state.h"

#include "platform/event.h"

namespace settings {

std::atomic<int> g_LoggedIn{0};
std::atomic<int> g_LoginShown{0};
std::atomic<int> g_WeiboBusy{0};
std::atomic<int> g_BatchCount{0};
std::atomic<int> g_PendingCount{0};

platform::Event& AbortEvent() {
    static platform::Event event(platform::Event::ResetMode::Manual);
    return event;
}

}  // namespace settings
