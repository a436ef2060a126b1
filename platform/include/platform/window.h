#pragma once

// Window handles and window messages.
//
// A window is a message target registered on a message loop (platform/message_loop.h):
// its handler always runs on that loop's thread. Handles are integers that are never 0
// and never reused within a process, so a handle kept after its window was destroyed
// names nothing (IsWindow() is false, messages to it are dropped).
//
// PostMessage queues the message on the window's loop and returns at once.
// SendMessage runs the handler and returns its result: on the window's own thread it is a
// direct call; from another thread it waits until the window's thread has run it. While
// a thread waits in SendMessage, messages sent to the windows of its own loop are served,
// so two threads that send to each other's windows do not deadlock. A window destroyed
// (or a loop detached) before the message ran makes SendMessage return 0.
//
// Handlers run without any lock of this layer held: they may register, destroy, post and
// send freely. All functions are thread-safe.
//
// The table of windows belongs to the binary that links this library: a program and a
// shared library it loads each have their own.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Event;
class MessageLoop;

using WindowHandle = uint64_t;  // 0 names no window
using WParam = uint64_t;
using LParam = int64_t;  // wide enough for an address
using LResult = int64_t;

inline constexpr WindowHandle kNoWindow = 0;

// Standard message numbers used by the system.
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_USER = 0x0400;

// The handler of a window: message number, wParam, lParam -> result.
using WindowProc = std::function<LResult(uint32_t message, WParam wParam, LParam lParam)>;

// Registers a window on the loop (which must outlive it or detach it first).
WindowHandle RegisterWindow(MessageLoop& loop, WindowProc proc, std::u16string title = {});
// Destroys the window: later messages are dropped, pending sent messages return 0. A
// handler already running finishes. False when there was no such window.
bool DestroyWindow(WindowHandle window);
[[nodiscard]] bool IsWindow(WindowHandle window);

// False when there is no such window.
bool PostMessage(WindowHandle window, uint32_t message, WParam wParam = 0, LParam lParam = 0);
// The handler's result; 0 when there is no such window or it was destroyed first.
LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam = 0, LParam lParam = 0);
// SendMessage that gives up after timeoutMs (kInfinite: never) or when `cancel` is set
// (a cancel event set already sends nothing). Giving up withdraws a message that has not
// started to run; one already running finishes on its thread and its result is lost. Empty when it
// gave up; 0 when there is no such window or it was destroyed first.
[[nodiscard]] std::optional<LResult> SendMessageTimeout(WindowHandle window, uint32_t message,
                                                        WParam wParam, LParam lParam,
                                                        uint32_t timeoutMs,
                                                        Event* cancel = nullptr);

// Titles and named properties, for finding windows from outside the process.
bool SetWindowTitle(WindowHandle window, std::u16string title);
[[nodiscard]] std::optional<std::u16string> GetWindowTitle(WindowHandle window);
bool SetWindowProperty(WindowHandle window, std::u16string name, LParam value);
[[nodiscard]] std::optional<LParam> GetWindowProperty(WindowHandle window,
                                                      std::u16string_view name);
// The oldest window with that exact title / carrying that property; kNoWindow if none.
[[nodiscard]] WindowHandle FindWindowByTitle(std::u16string_view title);
[[nodiscard]] WindowHandle FindWindowByProperty(std::u16string_view name);

// Destroys every window of the loop and makes messages sent to them return 0. A loop
// calls it before it goes away; afterwards the layer never touches the loop again.
void DetachMessageLoop(MessageLoop& loop);

// Frees the table of windows of this binary. Only for a shared library being unloaded,
// when none of its threads runs any more: no function of this layer may be called after.
void ReleaseWindowTable();

}  // namespace platform
