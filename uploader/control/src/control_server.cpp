#include "control/control_server.h"

#include <atomic>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "intake/messages.h"
#include "platform/event.h"
#include "platform/instance_lock.h"
#include "platform/packet_socket.h"
#include "platform/text.h"
#include "platform/window.h"

namespace control {
namespace {

constexpr uint32_t kReplyTimeoutMs = 2000;  // a client that does not take its reply

platform::WindowHandle FindTarget(const ControlTarget& target) {
    return target.kind == TargetKind::Title ? platform::FindWindowByTitle(target.name)
                                            : platform::FindWindowByProperty(target.name);
}

std::string Describe(const ControlTarget& target) {
    return (target.kind == TargetKind::Title ? "title \"" : "property \"") +
           platform::WideToUtf8(target.name) + "\"";
}

}  // namespace

struct CControlServer::State {
    ControlServerOptions options;
    std::optional<platform::InstanceLock> lock;
    std::optional<platform::PacketListener> listener;
    platform::CancelSignal stop;                                    // ends the socket waits
    platform::Event stopEvent{platform::Event::ResetMode::Manual};  // gives up a send
    std::thread thread;

    void Run();
    void Serve(platform::PacketConnection& connection);
    ControlReply Handle(const ControlRequest& request);
    ControlReply SendToWindow(const ControlRequest& request);
};

void CControlServer::State::Run() {
    for (;;) {
        platform::PacketConnection connection;
        const platform::WaitResult accepted =
            listener->Accept(connection, platform::kInfinite, &stop);
        if (accepted != platform::WaitResult::Ready)
            return;  // stopped, or the socket broke
        Serve(connection);
    }
}

void CControlServer::State::Serve(platform::PacketConnection& connection) {
    if (!connection.PeerIsThisUser())
        return;  // the folder is private; a stranger here is not served all the same
    std::vector<char> buffer(kMaxControlMessage + 1);
    size_t size = 0;
    if (connection.Receive(buffer, &size, options.requestTimeoutMs, &stop) !=
            platform::WaitResult::Ready ||
        size == 0)
        return;
    ControlReply reply;
    const auto request =
        size > kMaxControlMessage ? std::nullopt : DecodeRequest({buffer.data(), size});
    if (!request)
        reply = FailedReply(ControlError::BadRequest, "the request could not be read");
    else
        reply = Handle(*request);
    (void)connection.Send(EncodeReply(reply), kReplyTimeoutMs, &stop);
}

ControlReply CControlServer::State::Handle(const ControlRequest& request) {
    if (request.kind == ControlRequest::Kind::Status) {
        ControlReply reply;
        if (options.status)
            reply.status = options.status();
        if (request.afterId) {
            const int32_t after = *request.afterId;
            std::erase_if(reply.status.tasks,
                          [after](const TaskLine& task) { return task.id <= after; });
            reply.status.listedAfter = after;
        }
        return reply;
    }
    if (request.kind == ControlRequest::Kind::LoginDone) {
        // The one message of the system's own that passes, with its fixed values: the main
        // window reads the saved login and hands on the requests that waited for it.
        ControlRequest loginDone;
        loginDone.target = {TargetKind::Property, std::u16string(kMainWindowProperty)};
        loginDone.message = intake::WM_LOGIN_DONE;
        return SendToWindow(loginDone);
    }
    // Other messages carry addresses or belong to the system's own windows.
    if (!IsOutsideMessage(request.message))
        return FailedReply(
            ControlError::RefusedMessage,
            "message " + std::to_string(request.message) + " cannot be sent from outside");
    return SendToWindow(request);
}

ControlReply CControlServer::State::SendToWindow(const ControlRequest& request) {
    const platform::WindowHandle window = FindTarget(request.target);
    if (window == platform::kNoWindow)
        return FailedReply(ControlError::NoWindow, "no window has the " + Describe(request.target));
    const auto result = platform::SendMessageTimeout(
        window, request.message, request.wParam, request.lParam, options.sendTimeoutMs, &stopEvent);
    if (!result)
        return FailedReply(ControlError::TimedOut, "the window did not answer in time");
    ControlReply reply;
    reply.result = *result;
    return reply;
}

CControlServer::CControlServer() = default;

CControlServer::~CControlServer() {
    Stop();
}

bool CControlServer::Start(ControlServerOptions options) {
    Stop();
    auto state = std::make_unique<State>();
    state->options = std::move(options);
    // Whoever holds the lock owns the socket path: a file left there by a crashed process
    // is replaced, a live server's socket is not.
    state->lock = platform::InstanceLock::TryAcquire(state->options.lockPath);
    if (!state->lock)
        return false;
    state->listener = platform::PacketListener::Listen(state->options.socketPath);
    if (!state->listener)
        return false;
    State* running = state.get();
    try {
        state->thread = std::thread([running] { running->Run(); });
    } catch (...) {
        return false;
    }
    m_State = std::move(state);
    return true;
}

void CControlServer::Stop() {
    if (!m_State)
        return;
    m_State->stop.Set();
    m_State->stopEvent.Set();
    if (m_State->thread.joinable())
        m_State->thread.join();
    m_State.reset();  // closes the socket, removes its file, drops the lock
}

bool CControlServer::IsRunning() const {
    return m_State != nullptr;
}

}  // namespace control
