#pragma once

// A child program with its standard output on a pipe, for programs that start helper
// processes (the tests start the substitute service this way).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills a child that still runs and reaps it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program (a path, not searched in PATH) with the arguments; standard
    // input is /dev/null, standard error is inherited. False when it cannot be started.
    [[nodiscard]] bool Start(const std::string& program, const std::vector<std::string>& arguments);

    // One line of the child's standard output without its line end; empty when the
    // output ended or nothing came within timeoutMs.
    [[nodiscard]] std::optional<std::string> ReadLine(uint32_t timeoutMs);

    // Asks the child to end (SIGTERM) and waits up to timeoutMs; kills it (SIGKILL) when
    // it is still running then. Returns the exit status, or -1 when it was killed or
    // ended by a signal.
    int Stop(uint32_t timeoutMs);

    // Waits up to timeoutMs for the child to end by itself; the exit status, or empty
    // when it is still running.
    [[nodiscard]] std::optional<int> Wait(uint32_t timeoutMs);

    bool Running() const { return m_Pid > 0; }
    int Pid() const { return m_Pid; }

private:
    int m_Pid = -1;
    int m_Output = -1;    // read end of the child's standard output
    std::string m_Pending;  // bytes read past the last returned line
    int m_Status = 0;
};

}  // namespace platform
