#include "send/control_commands.h"

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

#include "control/control_client.h"
#include "intake/messages.h"
#include "intake/task_states.h"
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

// How many bytes from text[i] on are written as "\xHH": those of a blank, of a control
// character (C0, DEL, C1) and of the line and paragraph separators; 0 for other bytes.
size_t EscapedLength(std::string_view text, size_t i) {
    const auto at = [text](size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const unsigned byte = at(i);
    if (byte <= 0x20 || byte == 0x7F)
        return 1;
    if (byte == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F)
        return 2;  // U+0080 to U+009F
    if (byte == 0xE2 && at(i + 1) == 0x80 && (at(i + 2) == 0xA8 || at(i + 2) == 0xA9))
        return 3;  // U+2028, U+2029
    return 0;
}

// A name as it stands in a status line: "\\" for a backslash, "\xHH" for the bytes above,
// the rest as it is. No name can end the line or move the fields, and `printf '%b'` reads
// it back.
std::string StatusText(std::u16string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string text = platform::WideToUtf8(name);
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        const size_t escaped = EscapedLength(text, i);
        if (escaped == 0)
            out += text[i++];
        for (const size_t end = i + escaped; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    return out;
}

void PrintStatus(const control::ControlStatus& status, bool rawStates, std::ostream& out) {
    out << "engine=" << (status.engine ? 1 : 0) << "\n";
    out << "main-window=" << (status.mainWindow ? 1 : 0) << "\n";
    for (const control::TaskLine& task : status.tasks)
        out << "task=" << task.id << ' '
            << (rawStates ? std::to_string(task.state) : TaskStateName(task.state)) << ' '
            << StatusText(task.path) << "\n";
    if (status.tasksOmitted > 0)
        out << "tasks-omitted=" << status.tasksOmitted << "\n";
}

// A reply holds as many tasks as fit in one message: the rest are asked for page by page,
// each after the last id listed. An older server that does not page lists from the start
// again; its count of omitted tasks then stands.
control::ControlReply CallStatus(const control::ControlRequest& request,
                                 const std::string& socketPath, uint32_t timeoutMs) {
    control::ControlReply reply = control::CallControl(socketPath, request, timeoutMs);
    control::ControlStatus& status = reply.status;
    while (reply.error == control::ControlError::None && status.tasksOmitted > 0 &&
           !status.tasks.empty()) {
        control::ControlRequest next = request;
        next.afterId = status.tasks.back().id;
        control::ControlReply page = control::CallControl(socketPath, next, timeoutMs);
        if (page.error != control::ControlError::None)
            return page;
        if (page.status.listedAfter != next.afterId || page.status.tasks.empty())
            break;
        status.tasks.insert(status.tasks.end(), page.status.tasks.begin(), page.status.tasks.end());
        status.tasksOmitted = page.status.tasksOmitted;
    }
    return reply;
}

}  // namespace

int RunControlCommand(const control::ControlRequest& request, const std::string& socketPath,
                      uint32_t timeoutMs, std::ostream& out, std::ostream& err, bool rawStates) {
    const control::ControlReply reply = request.kind == control::ControlRequest::Kind::Status
                                            ? CallStatus(request, socketPath, timeoutMs)
                                            : control::CallControl(socketPath, request, timeoutMs);
    if (reply.error == control::ControlError::NoServer) {
        err << "norvel-flinga-send: the uploader is not running\n";
        return kExitNoAnswer;
    }
    if (reply.error != control::ControlError::None) {
        err << "norvel-flinga-send: " << reply.errorText << "\n";
        return ExitStatusOf(reply.error);
    }
    if (request.kind == control::ControlRequest::Kind::Status)
        PrintStatus(reply.status, rawStates, out);
    else
        out << reply.result << "\n";
    return kExitOk;
}

std::string TaskStateName(int32_t state) {
    switch (state) {
        case intake::kTaskWaiting:
            return "waiting";
        case intake::kTaskUploading:
            return "uploading";
        case intake::kTaskComplete:
            return "complete";
        case intake::kTaskFailed:
            return "failed";
        case intake::kTaskEmptyFile:
            return "empty-file";
        case intake::kTaskTooLarge:
            return "too-large";
        case intake::kTaskCancelled:
            return "removed";
        case intake::kTaskFileLocked:
            return "file-locked";
        case intake::kTaskFileMissing:
            return "file-missing";
        case intake::kTaskDiskFull:
            return "disk-full";
        case intake::kTaskTimeout:
            return "timed-out";
        case intake::kTaskParentMissing:
            return "parent-missing";
        case intake::kTaskFileExists:
            return "file-exists";
        case intake::kTaskPaused:
            return "paused";
        default:
            return std::to_string(state);
    }
}

int RunQuit(const std::string& socketPath, uint32_t timeoutMs, std::ostream& err) {
    control::ControlRequest request;
    request.kind = control::ControlRequest::Kind::Send;
    request.target = {control::TargetKind::Property, std::u16string(control::kMainWindowProperty)};
    request.message = intake::WM_SAVE_AND_EXIT;
    const control::ControlReply reply = control::CallControl(socketPath, request, timeoutMs);
    if (reply.error == control::ControlError::NoServer) {
        err << "norvel-flinga-send: the uploader is not running\n";
        return kExitOk;
    }
    if (reply.error == control::ControlError::NoWindow) {
        err << "norvel-flinga-send: the uploader has no main window yet: nothing to save, and "
               "nothing to ask to end\n";
        return kExitRefused;
    }
    if (reply.error != control::ControlError::None) {
        err << "norvel-flinga-send: " << reply.errorText << "\n";
        return ExitStatusOf(reply.error);
    }
    // The uploader ends once its loop has run the exit; its control socket goes last.
    control::ControlRequest status;
    status.kind = control::ControlRequest::Kind::Status;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (control::CallControl(socketPath, status, 1000).error !=
           control::ControlError::NoServer) {
        if (std::chrono::steady_clock::now() >= deadline) {
            err << "norvel-flinga-send: the uploader saved its tasks but has not ended yet\n";
            return kExitNoAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return kExitOk;
}

void TellUploaderOfLogin(const std::string& socketPath, uint32_t timeoutMs, std::ostream& err) {
    control::ControlRequest request;
    request.kind = control::ControlRequest::Kind::LoginDone;
    const control::ControlReply reply = control::CallControl(socketPath, request, timeoutMs);
    if (reply.error == control::ControlError::None ||
        reply.error == control::ControlError::NoServer ||
        reply.error == control::ControlError::NoWindow)
        return;
    err << "norvel-flinga-send: the running uploader was not told of the login (" << reply.errorText
        << "); it takes it at its next start\n";
}

}  // namespace send
