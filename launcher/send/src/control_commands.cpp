#include "send/control_commands.h"

#include <ostream>

#include "control/control_client.h"
#include "platform/text.h"
#include "send/exit_codes.h"

namespace send {
namespace {

int ExitStatusOf(control::ControlError error) {
    switch (error) {
        case control::ControlError::None:
            return kExitOk;
        case control::ControlError::NoWindow:
        case control::ControlError::RefusedMessage:
        case control::ControlError::BadRequest:
            return kExitRefused;
        default:
            return kExitNoAnswer;
    }
}

void PrintStatus(const control::ControlStatus& status, std::ostream& out) {
    out << "engine=" << (status.engine ? 1 : 0) << "\n";
    out << "main-window=" << (status.mainWindow ? 1 : 0) << "\n";
    for (const control::TaskLine& task : status.tasks)
        out << "task=" << task.id << ' ' << task.state << ' ' << platform::WideToUtf8(task.path)
            << "\n";
    if (status.tasksOmitted > 0)
        out << "tasks-omitted=" << status.tasksOmitted << "\n";
}

}  // namespace

int RunControlCommand(const control::ControlRequest& request, const std::string& socketPath,
                      uint32_t timeoutMs, std::ostream& out, std::ostream& err) {
    const control::ControlReply reply = control::CallControl(socketPath, request, timeoutMs);
    if (reply.error == control::ControlError::NoServer) {
        err << "norvel-flinga-send: the uploader is not running\n";
        return kExitNoAnswer;
    }
    if (reply.error != control::ControlError::None) {
        err << "norvel-flinga-send: " << reply.errorText << "\n";
        return ExitStatusOf(reply.error);
    }
    if (request.kind == control::ControlRequest::Kind::Status)
        PrintStatus(reply.status, out);
    else
        out << reply.result << "\n";
    return kExitOk;
}

}  // namespace send
