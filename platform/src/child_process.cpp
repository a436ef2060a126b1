#include "platform/child_process.h"

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

constexpr int kExitPollMs = 5;  // pause between looks at a child that has not ended
constexpr size_t kReadPiece = 4096;

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

int MillisecondsLeft(uint64_t deadlineMs) {
    const uint64_t now = NowMs();
    return deadlineMs > now ? static_cast<int>(deadlineMs - now) : 0;
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

    // Standard input on /dev/null, output into the pipe, error on /dev/null when asked;
    // no blocked signals and default signal handling in the child.
    bool Prepare(int outputFd, bool discardErrors) {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return m_Ok &&
               ::posix_spawn_file_actions_addopen(&m_Actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&m_Actions, outputFd, 1) == 0 &&
               (!discardErrors ||
                ::posix_spawn_file_actions_addopen(&m_Actions, 2, "/dev/null", O_WRONLY, 0) == 0) &&
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

int ExitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
    Kill();
    if (m_Output >= 0)
        ::close(m_Output);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         Options options) {
    if (m_Pid > 0 || m_Output >= 0 || program.empty())
        return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    SpawnSetup setup;
    if (!setup.Prepare(writeEnd.Get(), options.discardErrors))
        return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto spawn = options.searchPath ? ::posix_spawnp : ::posix_spawn;
    pid_t pid = -1;
    if (spawn(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ) != 0)
        return false;
    // The child holds the only write end now: its exit ends the output.
    m_Pid = pid;
    m_Output = readEnd.Release();
    return true;
}

ChildProcess::ReadResult ChildProcess::ReadSome(uint64_t deadlineMs) {
    if (m_Output < 0)
        return ReadResult::End;
    for (;;) {
        pollfd entry{m_Output, POLLIN, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadlineMs));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return ReadResult::Late;
        char buffer[kReadPiece];
        const ssize_t got = ready > 0 ? ::read(m_Output, buffer, sizeof buffer) : -1;
        if (got < 0 && ready > 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got > 0) {
            m_Pending.append(buffer, static_cast<size_t>(got));
            return ReadResult::Data;
        }
        ::close(m_Output);
        m_Output = -1;
        return got == 0 ? ReadResult::End : ReadResult::Failed;
    }
}

std::optional<std::string> ChildProcess::ReadLine(uint32_t timeoutMs) {
    const uint64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const size_t end = m_Pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_Pending.substr(0, end);
            m_Pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (ReadSome(deadline) != ReadResult::Data)
            return std::nullopt;
    }
}

std::optional<std::string> ChildProcess::ReadToEnd(uint32_t timeoutMs, size_t maxBytes) {
    const uint64_t deadline = NowMs() + timeoutMs;
    std::string output;
    for (;;) {
        output.append(m_Pending, 0, maxBytes - output.size());
        m_Pending.clear();
        switch (ReadSome(deadline)) {
            case ReadResult::Data:
                continue;
            case ReadResult::End:
                return output;
            case ReadResult::Late:
            case ReadResult::Failed:
                return std::nullopt;
        }
    }
}

std::optional<int> ChildProcess::Wait(uint32_t timeoutMs) {
    const uint64_t deadline = NowMs() + timeoutMs;
    while (m_Pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(m_Pid, &status, WNOHANG);
        if (done == m_Pid || (done < 0 && errno != EINTR)) {
            m_Status = done == m_Pid ? ExitStatus(status) : -1;
            m_Pid = -1;
            break;
        }
        if (done == 0 && MillisecondsLeft(deadline) == 0)
            return std::nullopt;
        ::poll(nullptr, 0, kExitPollMs);
    }
    return m_Status;
}

int ChildProcess::Stop(uint32_t timeoutMs) {
    if (m_Pid <= 0)
        return m_Status;
    ::kill(m_Pid, SIGTERM);
    if (const auto status = Wait(timeoutMs))
        return *status;
    Kill();
    return m_Status;
}

void ChildProcess::Kill() {
    if (m_Pid <= 0)
        return;
    ::kill(m_Pid, SIGKILL);
    while (::waitpid(m_Pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_Pid = -1;
    m_Status = -1;
}

}  // namespace platform
