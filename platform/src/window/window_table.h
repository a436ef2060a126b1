#pragma once

// The process-wide table behind platform/window.h, shared by its source files.
//
// Lock order: the table lock, then an inbox lock. Handlers and the completion of sent
// messages run with no lock held, so nothing takes the table lock under an inbox lock.

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/message_loop.h"
#include "platform/window.h"

namespace platform::window_detail {

struct SendInbox;

// One message sent across threads, waiting for the target's thread or running there.
struct SentCall {
    WindowHandle window = kNoWindow;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    std::shared_ptr<SendInbox> replyTo;  // the sender's inbox, notified on completion
    LResult result = 0;                  // guarded by replyTo->lock
    bool done = false;                   // guarded by replyTo->lock
};

// Messages sent to the windows of one loop from other threads. A thread waiting in
// SendMessage also waits on the inbox of its own loop and serves it.
struct SendInbox {
    std::mutex lock;
    std::condition_variable changed;  // a call arrived, or a call of this thread completed
    std::deque<std::shared_ptr<SentCall>> calls;
    bool closed = false;  // the loop was detached: calls complete with 0 at once
};

struct WindowRecord {
    MessageLoop* loop = nullptr;
    std::shared_ptr<const WindowProc> proc;
    std::u16string title;
    std::map<std::u16string, LParam, std::less<>> properties;
};

struct Table {
    std::mutex lock;
    std::map<WindowHandle, WindowRecord> windows;  // ascending handles: oldest first
    std::map<MessageLoop*, std::shared_ptr<SendInbox>> inboxes;
    WindowHandle lastHandle = 0x10000;
};

// The table is never destroyed with the static objects, so that loops and windows may be
// torn down in any order at exit; a shared library frees it when it is unloaded
// (ReleaseWindowTable).
Table& TheTable();

// The handler of a window, or null when it no longer exists.
std::shared_ptr<const WindowProc> FindProc(WindowHandle window);

// Stores the result and wakes the sender.
void Complete(SentCall& call, LResult result);

// Runs a sent call on the current thread (the target window's thread) and completes it.
void RunSentCall(SentCall& call);

// Runs every call waiting in the inbox.
void DrainInbox(SendInbox& inbox);

}  // namespace platform::window_detail
