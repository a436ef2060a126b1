#include "settings/session_state.h"

#include "platform/event.h"

namespace settings {

platform::Event& AbortEvent() {
    static platform::Event event(platform::Event::ResetMode::Manual);
    return event;
}

}  // namespace settings
