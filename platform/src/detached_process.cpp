#include "platform/detached_process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/unique_fd.h"
#include "poll_wait.h"

extern char** environ;

namespace platform {
namespace {

// Everything the child needs, made before fork: after it only async-signal-safe calls are
// allowed (the caller may have other threads).
struct Launch {
    std::vector<char*> argv;
    int errorFd = -1;   // the write end of the error pipe, or -1 for /dev/null
    int statusFd = -1;  // close-on-exec pipe: the start's error number if exec fails
};

void WriteStatus(int fd, int value) {
    while (::write(fd, &value, sizeof(value)) < 0 && errno == EINTR) {
    }
}

// Runs in the grandchild: standard streams, default signal handling, then the program.
[[noreturn]] void ExecProgram(const Launch& launch) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(launch.errorFd >= 0 ? launch.errorFd : null, 2);
    // Nothing of the caller's but the three streams survives the exec.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaults, nullptr);  // ignored signals would stay ignored
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(launch.argv[0], launch.argv.data(), environ);
    WriteStatus(launch.statusFd, errno);
    ::_exit(127);
}

// Runs in the child: a new session, then the grandchild, then the child ends at once so
// that the program is adopted by the system and nobody has to reap it.
[[noreturn]] void StartGrandchild(const Launch& launch) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0)
        ExecProgram(launch);
    if (grandchild < 0)
        WriteStatus(launch.statusFd, errno);
    ::_exit(0);
}

// A name without "/" is looked up on PATH here, before fork: the lookup allocates, which
// the child of a process with other threads must not do.
std::string ResolveProgram(const std::string& program) {
    if (program.empty() || program.find('/') != std::string::npos)
        return program;
    const char* path = std::getenv("PATH");
    std::string_view rest = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t end = rest.find(':');
        const std::string_view folder = rest.substr(0, end);
        const std::string candidate =
            (folder.empty() ? std::string(".") : std::string(folder)) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string_view::npos)
            return program;  // the start fails with ENOENT
        rest.remove_prefix(end + 1);
    }
}

// The error number the start ended with: 0 when the program runs.
int ReadStatus(int fd) {
    int value = 0;
    ssize_t got;
    while ((got = ::read(fd, &value, sizeof(value))) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof(value)) ? value : 0;
}

}  // namespace

std::optional<DetachedProgram> DetachedProgram::Start(const std::string& program,
                                                      const std::vector<std::string>& arguments,
                                                      bool captureErrors, int* error) {
    const auto fail = [&](int value) -> std::optional<DetachedProgram> {
        if (error)
            *error = value;
        return std::nullopt;
    };
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return fail(errno);
    UniqueFd statusRead(fds[0]);
    UniqueFd statusWrite(fds[1]);
    UniqueFd errorsRead;
    UniqueFd errorsWrite;
    if (captureErrors) {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return fail(errno);
        errorsRead = UniqueFd(fds[0]);
        errorsWrite = UniqueFd(fds[1]);
    }

    const std::string resolved = ResolveProgram(program);
    Launch launch;
    launch.argv.push_back(const_cast<char*>(resolved.c_str()));
    for (const std::string& argument : arguments)
        launch.argv.push_back(const_cast<char*>(argument.c_str()));
    launch.argv.push_back(nullptr);
    launch.errorFd = errorsWrite.Get();
    launch.statusFd = statusWrite.Get();

    const pid_t child = ::fork();
    if (child < 0)
        return fail(errno);
    if (child == 0)
        StartGrandchild(launch);
    statusWrite = UniqueFd();
    errorsWrite = UniqueFd();
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (const int failure = ReadStatus(statusRead.Get()); failure != 0)
        return fail(failure);
    if (errorsRead)
        ::fcntl(errorsRead.Get(), F_SETFL, O_NONBLOCK);
    return DetachedProgram(errorsRead.Release());
}

std::optional<std::string> DetachedProgram::ReadErrors(uint32_t timeoutMs) {
    if (!m_Errors)
        return std::nullopt;
    const WaitResult waited = WaitForDescriptor(m_Errors.Get(), POLLIN, timeoutMs, nullptr);
    if (waited == WaitResult::TimedOut)
        return std::string();
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(m_Errors.Get(), buffer, sizeof(buffer))) < 0 && errno == EINTR) {
    }
    if (got < 0 && errno == EAGAIN)
        return std::string();
    if (got <= 0) {
        CloseErrors();
        return std::nullopt;
    }
    return std::string(buffer, static_cast<size_t>(got));
}

void DetachedProgram::CloseErrors() {
    m_Errors.Close();
}

}  // namespace platform
