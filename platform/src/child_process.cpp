#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace platform {
namespace {

uint64_t NowMs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (m_Pid > 0) {
        kill(m_Pid, SIGKILL);
        waitpid(m_Pid, nullptr, 0);
    }
    if (m_Output >= 0)
        close(m_Output);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return false;
    }
    m_Pid = pid;
    m_Output = pipeFds[0];
    return true;
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
        const uint64_t now = NowMs();
        if (m_Output < 0 || now >= deadline)
            return std::nullopt;
        pollfd fd{m_Output, POLLIN, 0};
        if (poll(&fd, 1, int(deadline - now)) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(m_Output, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return std::nullopt;
        }
        m_Pending.append(buffer, size_t(n));
    }
}

std::optional<int> ChildProcess::Wait(uint32_t timeoutMs) {
    if (m_Pid <= 0)
        return m_Status;
    const uint64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(m_Pid, &status, WNOHANG);
        if (done == m_Pid) {
            m_Pid = -1;
            m_Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return m_Status;
        }
        if (NowMs() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int ChildProcess::Stop(uint32_t timeoutMs) {
    if (m_Pid <= 0)
        return m_Status;
    kill(m_Pid, SIGTERM);
    if (const auto status = Wait(timeoutMs))
        return *status;
    kill(m_Pid, SIGKILL);
    waitpid(m_Pid, nullptr, 0);
    m_Pid = -1;
    m_Status = -1;
    return -1;
}

}  // namespace platform
