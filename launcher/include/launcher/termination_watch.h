#pragma once

// SIGTERM, SIGINT and SIGHUP end the launcher in order, once: the library's main window is
// asked to save its task list and exit (through the control socket, as an outside program
// would ask it), then the launcher's window is closed. Later signals change nothing.

#include <QObject>
#include <string>
#include <thread>

#include "platform/window.h"

class QSocketNotifier;

namespace launcher {

class CTerminationWatch final : public QObject {
public:
    // dialog: the launcher's window, closed at the end. controlSocketPath: the library's
    // control socket.
    CTerminationWatch(platform::WindowHandle dialog, std::string controlSocketPath);
    ~CTerminationWatch() override;  // Join()
    CTerminationWatch(const CTerminationWatch&) = delete;
    CTerminationWatch& operator=(const CTerminationWatch&) = delete;

    // False when the signals cannot be watched (they then end the process at once).
    bool IsWatching() const { return m_Notifier != nullptr; }
    // Waits for a save and exit in progress to finish. Call it after the library's windows
    // are closed: until then the save may be waiting for the user-interface thread.
    void Join();

private:
    void OnSignal();

    platform::WindowHandle m_Dialog;
    std::string m_ControlSocketPath;
    QSocketNotifier* m_Notifier = nullptr;
    bool m_Started = false;
    std::thread m_Closer;
};

}  // namespace launcher
