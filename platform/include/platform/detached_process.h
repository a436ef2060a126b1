#pragma once

// Starting a program that lives on by itself: it runs in a session of its own and is not
// a child of the caller (there is nothing to reap), with standard input and output on
// /dev/null. Its standard error goes to /dev/null, or to a pipe that the caller reads for
// a while (to pass on why a program ended at once) and then closes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace platform {

class DetachedProgram {
public:
    // Destroying the object closes the error pipe; the program keeps running.
    DetachedProgram() = default;

    // Starts the program (a path, or a name looked up on PATH). Empty when it could not be
    // started, with the system's error number in *error (ENOENT, EACCES, ...).
    [[nodiscard]] static std::optional<DetachedProgram> Start(
        const std::string& program, const std::vector<std::string>& arguments, bool captureErrors,
        int* error = nullptr);

    // What the program wrote to standard error, waiting up to timeoutMs for something;
    // empty text when nothing came in time, and no value once the stream has ended (the
    // program ended or closed it) or when errors are not captured.
    [[nodiscard]] std::optional<std::string> ReadErrors(uint32_t timeoutMs);
    // Stops reading: the program's later output to standard error is lost.
    void CloseErrors();

private:
    explicit DetachedProgram(int errorFd) : m_Errors(errorFd) {}
    UniqueFd m_Errors;
};

}  // namespace platform
