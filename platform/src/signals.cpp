#include "platform/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

int g_SignalPipe[2] = {-1, -1};

// The handler only writes the signal's number: write() is safe in a signal handler.
void OnTerminationSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t ignored = ::write(g_SignalPipe[1], &byte, 1);
    errno = saved;
}

void InstallHandlers() {
    if (::pipe2(g_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_SignalPipe[0] = g_SignalPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

}  // namespace

int WatchTerminationSignals() {
    static std::once_flag once;
    std::call_once(once, &InstallHandlers);
    return g_SignalPipe[0];
}

bool TakeTerminationSignals(int fd) {
    bool any = false;
    char buffer[64];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return any;
    }
}

void IgnoreBrokenPipe() {
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
