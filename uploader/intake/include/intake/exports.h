#pragma once

// The three entry points of libNorvel_flinga.so, exported under their plain names. A
// host loads the library and finds them by name; they run on the host's user-interface
// thread.

#include "intake/request_entry.h"
#include "intake/user_info.h"
#include "platform/window.h"

extern "C" {

// Hands the library a batch of requests; the library reads it and never changes it.
// Both null: only show the mini window (the user started the program directly).
[[gnu::visibility("default")]] void SetUpLoadTask(const intake::RequestBatch* batch,
                                                  platform::WindowHandle hostWnd);
// Stores the account figures; the library destroys the argument.
[[gnu::visibility("default")]] void SetUserInfo(intake::UserInfoRecord record);
// Stops every task and closes every window of the library.
[[gnu::visibility("default")]] void CloseAllWnd();

}  // extern "C"

// The signatures a host binds the exports with.
using SetUpLoadTaskFn = void (*)(const intake::RequestBatch*, platform::WindowHandle);
using SetUserInfoFn = void (*)(intake::UserInfoRecord);
using CloseAllWndFn = void (*)();
