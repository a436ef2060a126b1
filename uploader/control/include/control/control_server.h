#pragma once

// The control socket's server: a thread that takes one connection at a time, reads one
// request, sends the message to the named window of this binary's window table (waiting
// for the window's thread to answer) and replies. Only the outside messages are passed on.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "control/control_protocol.h"

namespace control {

struct ControlServerOptions {
    std::string socketPath;  // where to listen
    std::string lockPath;    // held while the server runs: one server per socket
    // How long a window may take to answer a message.
    uint32_t sendTimeoutMs = 30000;
    // How long a client may take to send its request after connecting.
    uint32_t requestTimeoutMs = 5000;
    // The answer to a status request, tasks in ascending id order; empty: nothing is
    // reported.
    std::function<ControlStatus()> status;
};

class CControlServer {
public:
    CControlServer();
    ~CControlServer();  // Stop()
    CControlServer(const CControlServer&) = delete;
    CControlServer& operator=(const CControlServer&) = delete;

    // Takes the lock, listens and starts the thread. False when another server holds the
    // lock or the socket cannot be made.
    [[nodiscard]] bool Start(ControlServerOptions options);
    // Ends the thread (a message waiting for its window is given up) and removes the
    // socket. Safe to call more than once, and from a window's thread.
    void Stop();
    bool IsRunning() const;

private:
    struct State;
    std::unique_ptr<State> m_State;
};

// The server of this process (the library): on the control socket of the runtime folder.
// Start does nothing when it runs already; false when it could not start.
bool StartControlServer(std::function<ControlStatus()> status);
void StopControlServer();

}  // namespace control
