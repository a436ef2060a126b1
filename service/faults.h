#pragma once

// Faults that tests switch on for a request path: a delay before the answer, a given
// status, a connection closed without an answer, a body that stops being read part way,
// or a "busy" reply ("errno" 2). Each fault applies to the next `count` requests of its
// path (a count of 0 means every request until cleared). Path "*" matches every path.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/json_builder.h"

namespace norvel::service {

enum class FaultKind { Delay, Status, Close, Stall, Busy };

struct CFault {
    FaultKind kind = FaultKind::Delay;
    std::string path;        // normalised as request paths are ("/" first, no trailing blank)
    int64_t count = 1;       // requests still to hit; 0 = unlimited
    int64_t delayMs = 0;     // Delay
    int status = 500;        // Status
    int64_t afterBytes = 0;  // Stall: body bytes read before reading stops
    int64_t holdMs = 30000;  // Stall: how long the connection is held before it is closed
};

// What one request meets: the total delay and at most one fault that changes the answer.
struct CFaultPlan {
    int64_t delayMs = 0;
    std::optional<CFault> action;
};

class CFaults {
public:
    void Add(CFault fault);
    void Clear();
    // Takes the faults of a path for one request, counting them down.
    CFaultPlan Take(std::string_view path);
    CJsonBuilder Describe() const;

    // Waits for the time or until Shutdown(); false when cut short.
    bool Sleep(int64_t ms);
    void Shutdown();

    // Parses an admin fault description: kind (delay, status, close, stall, busy), path,
    // count, ms, status, after. Empty with a reason in error when invalid.
    static std::optional<CFault> FromFields(
        const std::vector<std::pair<std::string, std::string>>& fields, std::string& error);

private:
    mutable std::mutex m_Lock;
    std::condition_variable m_Wake;
    bool m_Shutdown = false;
    std::vector<CFault> m_Faults;
};

// "/" + path without a trailing blank, as the routes see request paths.
std::string NormalisePath(std::string_view path);

}  // namespace norvel::service
