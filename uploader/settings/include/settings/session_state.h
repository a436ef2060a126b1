#pragma once

// The flags and counters of one library session, shared by intake, the windows and the
// login. The composition root (intake/library.h) owns the one instance of a process; its
// parts receive it by reference. Every operation is safe from any thread.

#include <atomic>

namespace platform {
class Event;
}

namespace settings {

class CSessionState {
public:
    CSessionState() = default;
    CSessionState(const CSessionState&) = delete;
    CSessionState& operator=(const CSessionState&) = delete;

    // g_LoggedIn: a login succeeded or a saved one was restored.
    bool IsLoggedIn() const { return m_LoggedIn.load(); }
    void SetLoggedIn(bool loggedIn) { m_LoggedIn = loggedIn; }

    // g_LoginShown: the login dialog opened for a request is up. True when the caller
    // claimed it (no other was up); the claimer releases it when the dialog goes.
    bool TryClaimLoginDialog() { return !m_LoginShown.exchange(true); }
    void ReleaseLoginDialog() { m_LoginShown = false; }
    bool IsLoginDialogShown() const { return m_LoginShown.load(); }

    // g_WeiboBusy: a Sina Weibo post window is open (only one at a time).
    bool IsWeiboBusy() const { return m_WeiboBusy.load(); }
    void SetWeiboBusy(bool busy) { m_WeiboBusy = busy; }

    // g_BatchCount: the library's users, accepted upload batches and open share-link and
    // post windows; the host may close when the last one is gone.
    void AddLibraryUser() { ++m_BatchCount; }
    // One user less; returns the users left.
    int RemoveLibraryUser() { return --m_BatchCount; }
    int LibraryUsers() const { return m_BatchCount.load(); }

    // g_PendingCount: tasks still open in the main, mini, share-link and post windows.
    void AddPending(int count = 1) { m_PendingCount += count; }
    void RemovePending(int count = 1) { m_PendingCount -= count; }
    int PendingCount() const { return m_PendingCount.load(); }

private:
    std::atomic<bool> m_LoggedIn{false};
    std::atomic<bool> m_LoginShown{false};
    std::atomic<bool> m_WeiboBusy{false};
    std::atomic<int> m_BatchCount{0};
    std::atomic<int> m_PendingCount{0};
};

// Manual reset: set while the library shuts down; every network wait of the library (the
// engine's, and the account actions' requests by default) gives up when it is set. One
// per process, beside the session: requests started on any thread wait on it.
platform::Event& AbortEvent();

}  // namespace settings
