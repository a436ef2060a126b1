// The one control server of the process (the library), on the runtime folder's socket.

#include <mutex>

#include "control/control_server.h"
#include "platform/system.h"

namespace control {
namespace {

std::mutex g_ServerLock;
CControlServer* g_Server = nullptr;  // made by the first start, freed by the stop

}  // namespace

bool StartControlServer(std::function<ControlStatus()> status) {
    std::lock_guard lock(g_ServerLock);
    if (g_Server)
        return true;
    const std::string runtimeDir = platform::RuntimeDir();
    if (runtimeDir.empty())
        return false;
    ControlServerOptions options;
    options.socketPath = ControlSocketPath(runtimeDir);
    options.lockPath = options.socketPath + ".lock";
    options.status = std::move(status);
    auto* server = new CControlServer;
    if (!server->Start(std::move(options))) {
        delete server;
        return false;
    }
    g_Server = server;
    return true;
}

void StopControlServer() {
    CControlServer* server;
    {
        std::lock_guard lock(g_ServerLock);
        server = g_Server;
        g_Server = nullptr;
    }
    delete server;  // stops and joins
}

}  // namespace control
