#include "control/control_client.h"

#include <cerrno>
#include <chrono>
#include <vector>

#include "platform/packet_socket.h"

namespace control {
namespace {

using Clock = std::chrono::steady_clock;

ControlReply Failure(ControlError error, std::string text) {
    ControlReply reply;
    reply.error = error;
    reply.errorText = std::move(text);
    return reply;
}

uint32_t MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

}  // namespace

ControlReply CallControl(const std::string& socketPath, const ControlRequest& request,
                         uint32_t timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int error = 0;
    auto connection = platform::PacketConnection::Connect(socketPath, timeoutMs, &error);
    if (!connection) {
        if (error == ENOENT || error == ECONNREFUSED)
            return Failure(ControlError::NoServer, "nothing listens on " + socketPath);
        return Failure(ControlError::NoAnswer, "cannot connect to " + socketPath);
    }
    if (connection->Send(EncodeRequest(request), MillisecondsLeft(deadline)) !=
        platform::WaitResult::Ready)
        return Failure(ControlError::NoAnswer, "the request could not be sent");
    std::vector<char> buffer(kMaxControlMessage + 1);
    size_t size = 0;
    if (connection->Receive(buffer, &size, MillisecondsLeft(deadline)) != platform::WaitResult::Ready ||
        size == 0)
        return Failure(ControlError::NoAnswer, "no answer came in time");
    const auto reply = size > kMaxControlMessage ? std::nullopt : DecodeReply({buffer.data(), size});
    if (!reply)
        return Failure(ControlError::BadReply, "the answer could not be read");
    return *reply;
}

}  // namespace control
