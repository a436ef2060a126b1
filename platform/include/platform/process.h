#pragma once

// Running helper programs of the desktop.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Runs argv[0] (looked up on PATH) with the given arguments, without a shell, its
// standard input and error on /dev/null, and collects its standard output (at most
// maxBytes; the rest is read and dropped). The program is killed when it has not ended
// within timeoutMs. The output when it ended by itself with status 0; empty otherwise.
[[nodiscard]] std::optional<std::string> RunProgramOutput(const std::vector<std::string>& argv,
                                                          uint32_t timeoutMs,
                                                          size_t maxBytes = 65536);

}  // namespace platform
