#pragma once

// The windows that intake creates or shows, reached through one interface that the user
// interface installs at run time. Until one is installed, every call does nothing and
// creates no window. Calls come on the user-interface thread, except RepaintWindows,
// which follows the queue operations. The usage statistics have a seam of their own
// (intake/usage_counter.h).

#include <functional>
#include <string_view>

#include "intake/request_entry.h"
#include "platform/window.h"

namespace intake {

class CIntakeUi {
public:
    // Creates the main upload window (hidden) and returns its handle.
    virtual platform::WindowHandle CreateMainWindow() = 0;
    virtual void ShowMainWindow() = 0;
    virtual void ShowMiniWindow() = 0;
    // The mini and tips windows, for closing them; kNoWindow when there is none.
    virtual platform::WindowHandle MiniWindow() = 0;
    virtual platform::WindowHandle TipsWindow() = 0;
    // The mini window's files-added notice: count files, the first (or last) one named.
    virtual void ShowAdded(int count, std::u16string_view name) = 0;
    // A message box without owner, with an OK button.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view caption) = 0;
    // Asks the host program to close (its main window gets WM_CLOSE).
    virtual void CloseHost() = 0;
    // Opens and shows a share-link window for the batch (it keeps a copy).
    virtual platform::WindowHandle OpenShareLinkWindow(const RequestBatch& batch,
                                                       bool loggedIn) = 0;
    // Opens and shows a Sina Weibo post window for the batch (it keeps a copy).
    virtual platform::WindowHandle OpenWeiboWindow(const RequestBatch& batch) = 0;
    // The anonymous-link question, modal; true when the user answered OK (log in first).
    virtual bool AskAnonymousLink() = 0;
    // Opens and shows the login dialog.
    virtual platform::WindowHandle OpenLoginDialog() = 0;
    // A task restored from the saved list ended earlier: count it in the batch counters.
    virtual void CountRestoredResult(bool succeeded) = 0;
    // The task states changed all at once (pause, resume): redraw.
    virtual void RepaintWindows() = 0;
    // Runs work that looks at the disk (the intake filter, new task records), then `done`
    // (when given) on the user-interface thread. Works run one after another in the order
    // given, so requests keep their order. A user interface runs them off its thread so
    // that thousands of files do not hold it up; by default both run at once.
    virtual void RunDiskWork(std::function<void()> work, std::function<void()> done) {
        work();
        if (done)
            done();
    }

protected:
    ~CIntakeUi() = default;
};

// Installs the interface into the library's root (null: none); it must stay alive while
// installed.
void SetIntakeUi(CIntakeUi* ui);
// The root's installed interface, or one that does nothing.
CIntakeUi& IntakeUi();
// The interface that does nothing.
CIntakeUi& NoUi();

// A user interface that needs the host's application object cannot install itself when
// the library is loaded; the root's seams name an installer instead (intake/library.h),
// which SetUpLoadTask calls first every time until an interface is installed. The
// installer does nothing while it cannot install yet.
using UiInstaller = void (*)();
// Calls the installer when no interface is installed (user-interface thread).
void InstallUiIfNeeded();

}  // namespace intake
