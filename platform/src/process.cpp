#include "platform/process.h"

#include <chrono>

#include "platform/child_process.h"

namespace platform {

std::optional<std::string> RunProgramOutput(const std::vector<std::string>& argv,
                                            uint32_t timeoutMs, size_t maxBytes) {
    if (argv.empty() || argv[0].empty())
        return std::nullopt;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ChildProcess child;
    if (!child.Start(argv[0], {argv.begin() + 1, argv.end()},
                     {.searchPath = true, .discardErrors = true}))
        return std::nullopt;
    // A program still running at the deadline (also one that closed its output early) is
    // killed and reaped when `child` goes.
    std::optional<std::string> output = child.ReadToEnd(timeoutMs, maxBytes);
    if (!output)
        return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const std::optional<int> status =
        child.Wait(left.count() > 0 ? static_cast<uint32_t>(left.count()) : 0);
    if (status != 0)
        return std::nullopt;
    return output;
}

}  // namespace platform
