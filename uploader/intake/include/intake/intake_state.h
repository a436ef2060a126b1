#pragma once

// Intake's state: the main window and the windows opened for requests, and the batches
// waiting for a login. It belongs to the library's root (intake/library.h); the flags and
// counters shared with the windows and the login are the root's session
// (settings/session_state.h).

#include <vector>

#include "intake/request_entry.h"
#include "platform/window.h"

namespace intake {

// The main upload window; kNoWindow until SetUpLoadTask first creates it. Any thread.
platform::WindowHandle MainWindow();
void SetMainWindow(platform::WindowHandle window);
// True when the main window was created and still exists.
bool MainWindowExists();
// Creates the main window unless it exists: restores a saved login first, then asks the
// user interface for the window.
void EnsureMainWindow();

// Share-link, Weibo and login windows opened by intake, oldest first (destroyed ones are
// forgotten as new ones come).
void AddSecondaryWindow(platform::WindowHandle window);
std::vector<platform::WindowHandle> SecondaryWindows();

// The login dialog that intake opened, kNoWindow when none.
platform::WindowHandle LoginWindow();
void SetLoginWindow(platform::WindowHandle window);

// Batches that wait for a login (copies), at most 64: beyond that the oldest is dropped,
// with a log record.
void AddBatchWaitingForLogin(const RequestBatch& batch);
size_t BatchesWaitingForLogin();
// After a successful login (of the login dialog, or of another program, which only the
// saved login tells): hands every waiting batch, in order, back to OnRequestBatch, as if
// it had just arrived. Without a login they go on waiting.
void HandBackWaitingBatches();

// Restores the saved login into the root's session, confirmed through the root's login
// confirmation (settings::RestoreSavedLogin); nonzero on success.
int RestoreSavedLogin();

}  // namespace intake
