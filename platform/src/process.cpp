#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/unique_fd.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitPollMs = 5;  // pause between looks at a child that closed its output

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup() {
        m_Ok = ::posix_spawn_file_actions_init(&m_Actions) == 0;
        m_Ok = ::posix_spawnattr_init(&m_Attributes) == 0 && m_Ok;
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&m_Actions);
        ::posix_spawnattr_destroy(&m_Attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Standard output into the pipe, input and error on /dev/null; the child starts with
    // no blocked signals and default signal handling, whatever this process set up.
    bool Prepare(int outputFd) {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return m_Ok &&
               ::posix_spawn_file_actions_addopen(&m_Actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&m_Actions, outputFd, 1) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_Actions, 2, "/dev/null", O_WRONLY, 0) == 0 &&
               ::posix_spawnattr_setsigmask(&m_Attributes, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&m_Attributes, &all) == 0 &&
               ::posix_spawnattr_setflags(&m_Attributes,
                                          POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    const posix_spawn_file_actions_t* Actions() const { return &m_Actions; }
    const posix_spawnattr_t* Attributes() const { return &m_Attributes; }

private:
    bool m_Ok = false;
    posix_spawn_file_actions_t m_Actions;
    posix_spawnattr_t m_Attributes;
};

// Reads the pipe until its end or the deadline; false on the deadline or a read error.
bool ReadUntilEnd(int fd, Clock::time_point deadline, size_t maxBytes, std::string& out) {
    char buffer[4096];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const size_t room = maxBytes - out.size();
        out.append(buffer, static_cast<size_t>(got) < room ? static_cast<size_t>(got) : room);
    }
}

// Waits for the child until the deadline; kills it then. The exit status, or -1 when
// it did not end by itself.
int WaitForExit(pid_t child, Clock::time_point deadline) {
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 && errno != EINTR)
            return -1;
        if (done == 0 && MillisecondsLeft(deadline) == 0)
            break;
        ::poll(nullptr, 0, kExitPollMs);
    }
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return -1;
}

}  // namespace

std::optional<std::string> RunProgramOutput(const std::vector<std::string>& argv,
                                            uint32_t timeoutMs, size_t maxBytes) {
    if (argv.empty() || argv[0].empty())
        return std::nullopt;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    SpawnSetup setup;
    if (!setup.Prepare(writeEnd.Get()))
        return std::nullopt;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawnp(&child, args[0], setup.Actions(), setup.Attributes(), args.data(),
                       environ) != 0)
        return std::nullopt;
    writeEnd = UniqueFd();  // the child holds the only write end now: its exit ends the pipe

    std::string output;
    const bool complete = ReadUntilEnd(readEnd.Get(), deadline, maxBytes, output);
    const int status = WaitForExit(child, complete ? deadline : Clock::now());
    if (!complete || status != 0)
        return std::nullopt;
    return output;
}

}  // namespace platform
