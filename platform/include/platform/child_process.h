#pragma once

// A child program with its standard output on a pipe: helper programs of the desktop
// asked for an answer (RunProgramOutput in platform/process.h), and programs that tests
// and benchmarks start and talk to (the substitute service).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
public:
    struct Options {
        bool searchPath = false;     // look the program up on PATH; else it is a path
        bool discardErrors = false;  // standard error on /dev/null; else this process's own
    };

    ChildProcess() = default;
    ~ChildProcess();  // kills a child that still runs and reaps it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program with the arguments, without a shell, so nothing in them is
    // interpreted. Standard input is /dev/null, standard output a pipe that no other
    // child inherits; the child starts with no blocked signals and default signal
    // actions, whatever this process set up. False when it cannot be started.
    [[nodiscard]] bool Start(const std::string& program, const std::vector<std::string>& arguments,
                             Options options);
    [[nodiscard]] bool Start(const std::string& program,
                             const std::vector<std::string>& arguments) {
        return Start(program, arguments, Options());
    }

    // One line of the child's standard output without its line end; empty when the
    // output ended or nothing came within timeoutMs.
    [[nodiscard]] std::optional<std::string> ReadLine(uint32_t timeoutMs);

    // The rest of the output, up to its end; at most maxBytes are kept and the rest is
    // read and dropped, so a chatty child never blocks on a full pipe. Empty when the
    // output did not end within timeoutMs or could not be read.
    [[nodiscard]] std::optional<std::string> ReadToEnd(uint32_t timeoutMs,
                                                       size_t maxBytes = SIZE_MAX);

    // Asks the child to end (SIGTERM) and waits up to timeoutMs; kills it (SIGKILL) when
    // it is still running then. Returns the exit status, or -1 when it was killed or
    // ended by a signal.
    int Stop(uint32_t timeoutMs);

    // Waits up to timeoutMs for the child to end by itself; the exit status (-1 when a
    // signal ended it), or empty when it is still running.
    [[nodiscard]] std::optional<int> Wait(uint32_t timeoutMs);

    bool Running() const { return m_Pid > 0; }
    int Pid() const { return m_Pid; }

private:
    enum class ReadResult { Data, End, Late, Failed };
    // Appends what the pipe holds to m_Pending, waiting for it until the deadline
    // (milliseconds of the steady clock). The pipe is closed at its end or on an error.
    ReadResult ReadSome(uint64_t deadlineMs);
    void Kill();

    int m_Pid = -1;
    int m_Output = -1;      // read end of the child's standard output
    std::string m_Pending;  // bytes read but not returned yet
    int m_Status = 0;
};

}  // namespace platform
