#include "send/plugin_client.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "launcher/launcher_paths.h"
#include "launcher/pipe_record.h"
#include "platform/detached_process.h"
#include "platform/fifo_event.h"
#include "platform/packet_socket.h"

namespace send {
namespace {

using platform::Deadline;
using platform::PacketConnection;
using platform::WaitResult;

constexpr uint32_t kConnectTimeoutMs = 1000;
constexpr uint32_t kStartPollMs = 50;

SendResult Outcome(SendOutcome outcome, std::string detail) {
    return {outcome, std::move(detail)};
}

bool NobodyListens(int error) {
    return error == ENOENT || error == ECONNREFUSED;
}

// Starts a launcher and connects to it once it listens. A launcher that ends at once
// because another one just started is not a failure: that one will listen.
std::optional<PacketConnection> StartLauncherAndConnect(const PluginClientOptions& options,
                                                        SendResult& failure) {
    int error = 0;
    auto launcher = platform::DetachedProgram::Start(
        options.launcherPath, {std::string(launcher::kRequestArgument)}, true, &error);
    if (!launcher) {
        failure = Outcome(SendOutcome::NotStarted,
                          "cannot start " + options.launcherPath + ": " + std::strerror(error));
        return std::nullopt;
    }
    const Deadline deadline(options.startTimeoutMs);
    std::string said;  // what the launcher wrote to standard error
    bool ended = false;
    for (;;) {
        auto connection = PacketConnection::Connect(options.socketPath, 0, &error);
        if (connection)
            return connection;
        if (!NobodyListens(error) && error != EAGAIN) {
            failure = Outcome(SendOutcome::NotStarted, "cannot connect to " + options.socketPath +
                                                           ": " + std::strerror(error));
            return std::nullopt;
        }
        if (!ended) {
            const auto output = launcher->ReadErrors(kStartPollMs);
            ended = !output;
            said += output.value_or("");
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kStartPollMs));
        }
        if ((ended && !said.empty()) || deadline.Passed()) {
            failure = Outcome(SendOutcome::NotStarted,
                              "the launcher " + options.launcherPath + " did not start" +
                                  (said.empty() ? std::string() : ":\n" + said));
            return std::nullopt;
        }
    }
}

std::optional<PacketConnection> ConnectToLauncher(const PluginClientOptions& options,
                                                  SendResult& failure) {
    // Needed for every connection after the first one a listener serves; harmless before.
    platform::FifoEvent::SetNamed(options.wakeEventPath);
    int error = 0;
    auto connection = PacketConnection::Connect(options.socketPath, kConnectTimeoutMs, &error);
    if (connection)
        return connection;
    if (NobodyListens(error))
        return StartLauncherAndConnect(options, failure);
    failure = Outcome(SendOutcome::NotTaken,
                      "cannot connect to " + options.socketPath + ": " + std::strerror(error));
    return std::nullopt;
}

// Waits for the launcher to shut down its side: it has read the batch.
SendResult AwaitTaken(PacketConnection& connection, const PluginClientOptions& options,
                      const Deadline& deadline) {
    char unused[64];
    for (;;) {
        size_t size = 0;
        const uint32_t wait = std::min(options.rewakeMs, deadline.MillisecondsLeft());
        const WaitResult got = connection.Receive(unused, &size, wait);
        if (got == WaitResult::Ready && size == 0)
            return Outcome(SendOutcome::Delivered, {});
        if (got == WaitResult::Failed)
            return Outcome(SendOutcome::LauncherEnded,
                           "the launcher ended before it took the request");
        if (deadline.Passed())
            return Outcome(SendOutcome::NotTaken,
                           "the launcher did not take the request in time; it stays queued and is "
                           "handled when the launcher is free");
        if (got == WaitResult::TimedOut)
            platform::FifoEvent::SetNamed(options.wakeEventPath);
    }
}

}  // namespace

SendResult SendBatchToLauncher(const intake::RequestBatch& batch,
                               const PluginClientOptions& options) {
    SendResult failure;
    auto connection = ConnectToLauncher(options, failure);
    if (!connection)
        return failure;
    const Deadline deadline(options.answerTimeoutMs);
    size_t sentCount = 0;
    for (const intake::UploadRequestEntry& entry : batch) {
        const auto bytes = launcher::RecordBytes(entry);
        const WaitResult sent =
            connection->Send({bytes.data(), bytes.size()}, deadline.MillisecondsLeft());
        if (sent == WaitResult::TimedOut)
            return Outcome(SendOutcome::NotTaken,
                           "the launcher does not take the requests; the first " +
                               std::to_string(sentCount) + " stay queued");
        if (sent != WaitResult::Ready)
            return Outcome(SendOutcome::LauncherEnded, "the connection to the launcher broke");
        ++sentCount;
    }
    connection->ShutdownWrite();
    return AwaitTaken(*connection, options, deadline);
}

}  // namespace send
