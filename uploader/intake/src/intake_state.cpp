#include "intake/intake_state.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/request_batch.h"
#include "intake_state_data.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace intake {
namespace {

using platform::WindowHandle;

// Batches kept for a login; a user who never logs in must not make the list grow for ever.
constexpr size_t kMaxBatchesWaitingForLogin = 64;

IntakeState& State() {
    return Library().Intake();
}

}  // namespace

WindowHandle MainWindow() {
    return State().mainWindow.load();
}

void SetMainWindow(WindowHandle window) {
    State().mainWindow = window;
}

bool MainWindowExists() {
    const WindowHandle main = MainWindow();
    return main != platform::kNoWindow && platform::IsWindow(main);
}

int RestoreSavedLogin() {
    CUploaderLibrary& library = Library();
    return settings::RestoreSavedLogin(library.Session(),
                                       library.Seam(&LibrarySeams::loginConfirmation));
}

void EnsureMainWindow() {
    if (MainWindowExists())
        return;
    RestoreSavedLogin();  // the result shows later, in the session
    SetMainWindow(IntakeUi().CreateMainWindow());
}

void AddSecondaryWindow(WindowHandle window) {
    if (window == platform::kNoWindow)
        return;
    IntakeState& state = State();
    std::lock_guard lock(state.lock);
    std::erase_if(state.secondary, [](WindowHandle w) { return !platform::IsWindow(w); });
    state.secondary.push_back(window);
}

std::vector<WindowHandle> SecondaryWindows() {
    IntakeState& state = State();
    std::lock_guard lock(state.lock);
    return state.secondary;
}

WindowHandle LoginWindow() {
    IntakeState& state = State();
    std::lock_guard lock(state.lock);
    return state.loginWindow;
}

void SetLoginWindow(WindowHandle window) {
    IntakeState& state = State();
    std::lock_guard lock(state.lock);
    state.loginWindow = window;
}

void AddBatchWaitingForLogin(const RequestBatch& batch) {
    RequestBatch dropped;
    {
        IntakeState& state = State();
        std::lock_guard lock(state.lock);
        if (state.waitingForLogin.size() >= kMaxBatchesWaitingForLogin) {
            dropped = std::move(state.waitingForLogin.front());
            state.waitingForLogin.erase(state.waitingForLogin.begin());
        }
        state.waitingForLogin.push_back(batch);
    }
    if (dropped.empty())
        return;
    Log().Write(L3_KEY, log_events::kUploaderAddFile, false,
                u"DESC=" + platform::Utf8ToWide(std::to_string(kMaxBatchesWaitingForLogin)) +
                    u" batches wait for a login; the oldest, of " +
                    platform::Utf8ToWide(std::to_string(dropped.size())) +
                    u" requests, was dropped",
                EntryPath(dropped.front()));
}

size_t BatchesWaitingForLogin() {
    IntakeState& state = State();
    std::lock_guard lock(state.lock);
    return state.waitingForLogin.size();
}

void HandBackWaitingBatches() {
    // A login made by another program (the command-line client) is known only from the
    // saved settings. Without a login the batches go on waiting, in their order.
    if (!Session().IsLoggedIn() && RestoreSavedLogin() == 0)
        return;
    std::vector<RequestBatch> batches;
    {
        IntakeState& state = State();
        std::lock_guard lock(state.lock);
        batches.swap(state.waitingForLogin);
    }
    for (const RequestBatch& batch : batches)
        OnRequestBatch(&batch);
}

}  // namespace intake
