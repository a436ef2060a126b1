#pragma once

// The composition root of the uploader library: one object that owns the library's state
// (the session's flags and counters, intake's windows and waiting batches, the upload
// queue with its tasks and workers) and the seams that other modules fill in (the upload
// driver, the usage counter, the login confirmation, the account actions the windows
// start, the installer of the windows).
//
// The library's load hook makes it once, before any exported function can run, and the
// unload hook destroys it, stopping the workers first. Tests make a fresh one per test.
// The exported functions have no context argument, so the one object of a process is
// reached through Library(); everything below the root receives its part by reference.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "intake/usage_counter.h"
#include "settings/session_state.h"
#include "settings/settings.h"

namespace intake {

// What other modules give the root. Every member may be empty: the library then does
// without (no driver: tasks fail; no confirmation: a saved login is not restored; no
// visit-URL action: the disk page opens without a login).
struct LibrarySeams {
    UploadDriver uploadDriver;                      // the per-file driver of the workers
    UsageCounter usageCounter;                      // one use per handled request batch
    settings::LoginConfirmation loginConfirmation;  // confirms a saved login at start
    std::function<void(const std::u16string& folder)> visitUrl;  // a disk folder, logged in
    std::function<void()> userInfo;                              // refreshes the account's figures
    UiInstaller installUi = nullptr;  // installs the windows inside the host's application
};

struct IntakeState;
namespace queue_detail {
struct QueueState;
}

class CUploaderLibrary {
public:
    // Makes the state; the workers start with StartQueue. At most one exists at a time.
    explicit CUploaderLibrary(LibrarySeams seams = {});
    // Stops and joins the workers and the list saver, then frees the tasks and the state,
    // in the reverse order of their making.
    ~CUploaderLibrary();
    CUploaderLibrary(const CUploaderLibrary&) = delete;
    CUploaderLibrary& operator=(const CUploaderLibrary&) = delete;

    settings::CSessionState& Session() { return *m_Session; }
    IntakeState& Intake() { return *m_Intake; }
    queue_detail::QueueState& Queue() { return *m_Queue; }

    // A copy of one seam, taken under the seams' lock (threads read them while tests and
    // the load hook set them).
    template <typename T>
    T Seam(T LibrarySeams::*member) const {
        std::lock_guard lock(m_SeamsLock);
        return m_Seams.*member;
    }
    template <typename T>
    void SetSeam(T LibrarySeams::*member, T value) {
        std::lock_guard lock(m_SeamsLock);
        m_Seams.*member = std::move(value);
    }

    // The installed user interface, or one that does nothing (intake/intake_ui.h).
    CIntakeUi& Ui();
    void SetUi(CIntakeUi* ui);
    bool HasUi() const;

private:
    mutable std::mutex m_SeamsLock;
    LibrarySeams m_Seams;
    std::atomic<CIntakeUi*> m_Ui{nullptr};
    // Made in this order, destroyed in the reverse one: the queue's workers use the
    // session and intake's state until they are joined.
    std::unique_ptr<settings::CSessionState> m_Session;
    std::unique_ptr<IntakeState> m_Intake;
    std::unique_ptr<queue_detail::QueueState> m_Queue;
};

// The root of this process. It must exist: the load hook (or a test) made it.
CUploaderLibrary& Library();

// The session of the root, for the modules that reach it from an exported function.
inline settings::CSessionState& Session() {
    return Library().Session();
}

}  // namespace intake
