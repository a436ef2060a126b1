#pragma once

// Usage statistics: one ping ("app/stat/stat.php" on the main web host) for every
// request batch that the main window handles, sent by a thread of its own so that the
// window never waits for it.
//
//   source=5&cid=<client id>&uid=<uid>&token=<token>&opt=<kind>   logged in
//   source=5&cid=<client id>&uid=anonymous&opt=<kind>              logged out
//
// Every count is sent, in order: counts made while a ping is on its way wait for it (at
// most kMaxPendingCounts of them; beyond that the oldest is dropped). Stop() ends a ping
// on its way at once and joins the thread.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "net/action.h"
#include "platform/event.h"

namespace actions {

inline constexpr size_t kMaxPendingCounts = 64;

class CNorvelCounter : public net::CAction {
public:
    // Starts the worker thread.
    CNorvelCounter();
    // Stops as Stop() does.
    ~CNorvelCounter() override;

    // Builds the ping and wakes the worker. Any thread.
    void Count(int32_t kind, bool loggedIn);
    // Drops the pings not yet sent, cuts short the one on its way and joins the worker;
    // later counts are dropped. Safe to call more than once, from any thread but the
    // worker's.
    void Stop();
    // The HTTP status of the last ping (-1 for none or a failure). Any thread; the
    // worker alone writes m_ErrorCode.
    int LastStatus() const;

    // The exact ping for a count, from the settings as they are now.
    static std::string CountBody(int32_t kind, bool loggedIn);

private:
    void Run();
    bool TakeNext(std::string& body);
    void Send(const std::string& body);

    mutable std::mutex m_Lock;          // guards the members below it
    std::deque<std::string> m_Pending;  // pings not yet sent, oldest first
    bool m_Stopped = false;
    int m_LastStatus = -1;
    platform::Event m_Wake{platform::Event::ResetMode::Auto};
    platform::Event m_Stop{platform::Event::ResetMode::Manual};  // also cuts a ping short
    std::thread m_Worker;
};

// The process-wide counter, made at the first count. Intake's usage counter.
void CountUse(int32_t kind, bool loggedIn);
// Stops and frees the process-wide counter; counts are dropped until OpenUsageCounter.
void StopUsageCounter();
void OpenUsageCounter();

}  // namespace actions
