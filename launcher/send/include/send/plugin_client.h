#pragma once

// The plug-in side of the plug-in socket: hands one batch of request records to the
// running launcher, starting one when none runs.
//
// A client sets the wake event, connects, writes one record per message and shuts down
// its writing side; the launcher shuts down its own once it has read the batch, which
// tells the client that the batch arrived whole. While it waits for that, the client sets
// the wake event again now and then: a wake that came together with another client's is
// counted once, and the connection would otherwise wait for the next client.

#include <cstdint>
#include <string>

#include "intake/request_entry.h"

namespace send {

struct PluginClientOptions {
    std::string socketPath;            // the plug-in socket
    std::string wakeEventPath;         // the wake event
    std::string launcherPath;          // started with the request argument when none runs
    uint32_t startTimeoutMs = 15000;   // for a started launcher to listen
    uint32_t answerTimeoutMs = 10000;  // for the launcher to take the batch
    uint32_t rewakeMs = 500;           // between wake events while waiting
};

enum class SendOutcome {
    Delivered,      // the launcher read the whole batch
    NotStarted,     // no launcher ran and none could be started
    NotTaken,       // the launcher did not take the batch in time (it stays queued)
    LauncherEnded,  // the launcher went away before it read the batch
};

struct SendResult {
    SendOutcome outcome = SendOutcome::NotTaken;
    std::string detail;  // for people: why, and what the launcher said when it ended
};

SendResult SendBatchToLauncher(const intake::RequestBatch& batch,
                               const PluginClientOptions& options);

}  // namespace send
