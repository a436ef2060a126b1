#include "control/control_client.h"

#include <cerrno>
#include <vector>

#include "platform/packet_socket.h"

namespace control {
ControlReply CallControl(const std::string& socketPath, const ControlRequest& request,
                         uint32_t timeoutMs) {
    const platform::Deadline deadline(timeoutMs);
    int error = 0;
    auto connection = platform::PacketConnection::Connect(socketPath, timeoutMs, &error);
    if (!connection) {
        if (error == ENOENT || error == ECONNREFUSED)
            return FailedReply(ControlError::NoServer, "nothing listens on " + socketPath);
        return FailedReply(ControlError::NoAnswer, "cannot connect to " + socketPath);
    }
    if (connection->Send(EncodeRequest(request), deadline.MillisecondsLeft()) !=
        platform::WaitResult::Ready)
        return FailedReply(ControlError::NoAnswer, "the request could not be sent");
    std::vector<char> buffer(kMaxControlMessage + 1);
    size_t size = 0;
    if (connection->Receive(buffer, &size, deadline.MillisecondsLeft()) !=
            platform::WaitResult::Ready ||
        size == 0)
        return FailedReply(ControlError::NoAnswer, "no answer came in time");
    const auto reply =
        size > kMaxControlMessage ? std::nullopt : DecodeReply({buffer.data(), size});
    if (!reply)
        return FailedReply(ControlError::BadReply, "the answer could not be read");
    return *reply;
}

}  // namespace control
