#include "control/control_protocol.h"

#include <charconv>
#include <map>

#include "intake/messages.h"
#include "platform/text.h"

namespace control {
namespace {

using Fields = std::multimap<std::string, std::string, std::less<>>;

// Values stand on one line: backslash, line feed and carriage return are escaped.
std::string Escape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

void AddLine(std::string& text, std::string_view key, std::string_view value) {
    text += key;
    text += '=';
    text += Escape(value);
    text += '\n';
}

std::string Wide(std::u16string_view text) {
    return platform::WideToUtf8(text);
}

// The "key=value" lines after the protocol line; empty when the text is not in the form.
std::optional<Fields> ParseFields(std::string_view text) {
    if (text.size() > kMaxControlMessage)
        return std::nullopt;
    const size_t first = text.find('\n');
    if (first == std::string_view::npos || text.substr(0, first) != kProtocolLine)
        return std::nullopt;
    Fields fields;
    size_t pos = first + 1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        auto value = Unescape(line.substr(equals + 1));
        if (!value)
            return std::nullopt;
        fields.emplace(std::string(line.substr(0, equals)), std::move(*value));
    }
    return fields;
}

const std::string* Field(const Fields& fields, std::string_view key) {
    const auto found = fields.find(key);
    return found == fields.end() ? nullptr : &found->second;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& out) {
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

template <typename Number>
bool NumberField(const Fields& fields, std::string_view key, Number& out) {
    const std::string* value = Field(fields, key);
    return value && ParseNumber(*value, out);
}

bool FlagField(const Fields& fields, std::string_view key) {
    const std::string* value = Field(fields, key);
    return value && *value == "1";
}

constexpr std::pair<ControlError, std::string_view> kErrorNames[] = {
    {ControlError::None, "none"},          {ControlError::BadRequest, "bad-request"},
    {ControlError::NoWindow, "no-window"}, {ControlError::RefusedMessage, "refused-message"},
    {ControlError::TimedOut, "timeout"},   {ControlError::NoServer, "no-server"},
    {ControlError::NoAnswer, "no-answer"}, {ControlError::BadReply, "bad-reply"},
};

std::optional<ControlError> ErrorFromName(std::string_view name) {
    for (const auto& [error, errorName] : kErrorNames) {
        if (errorName == name)
            return error;
    }
    return std::nullopt;
}

bool DecodeTarget(const Fields& fields, ControlTarget& target) {
    if (const std::string* title = Field(fields, "target-title")) {
        target = {TargetKind::Title, platform::Utf8ToWide(*title)};
        return true;
    }
    if (const std::string* property = Field(fields, "target-property")) {
        target = {TargetKind::Property, platform::Utf8ToWide(*property)};
        return true;
    }
    return false;
}

// "ID STATE PATH"; the path may hold blanks.
std::optional<TaskLine> DecodeTask(std::string_view text) {
    const size_t first = text.find(' ');
    const size_t second = first == std::string_view::npos ? first : text.find(' ', first + 1);
    TaskLine task;
    if (second == std::string_view::npos || !ParseNumber(text.substr(0, first), task.id) ||
        !ParseNumber(text.substr(first + 1, second - first - 1), task.state))
        return std::nullopt;
    task.path = platform::Utf8ToWide(text.substr(second + 1));
    return task;
}

bool DecodeStatus(const Fields& fields, ControlStatus& status) {
    status.engine = FlagField(fields, "engine");
    status.mainWindow = FlagField(fields, "main-window");
    if (Field(fields, "tasks-omitted") &&
        !NumberField(fields, "tasks-omitted", status.tasksOmitted))
        return false;
    if (Field(fields, "after-id") && !NumberField(fields, "after-id", status.listedAfter.emplace()))
        return false;
    const auto [begin, end] = fields.equal_range("task");
    for (auto it = begin; it != end; ++it) {
        auto task = DecodeTask(it->second);
        if (!task)
            return false;
        status.tasks.push_back(std::move(*task));
    }
    return true;
}

}  // namespace

ControlReply FailedReply(ControlError error, std::string text) {
    ControlReply reply;
    reply.error = error;
    reply.errorText = std::move(text);
    return reply;
}

bool IsOutsideMessage(uint32_t message) {
    switch (message) {
        case platform::WM_CLOSE:
        case intake::WM_SAVE_AND_EXIT:
        case intake::WM_ACCOUNT_COMMAND:
        case intake::WM_START_UPDATER:
        case intake::WM_QUERY_PENDING:
            return true;
        default:
            return false;
    }
}

std::string ControlSocketPath(const std::string& runtimeDir) {
    return runtimeDir + "/control";
}

std::string_view ControlErrorName(ControlError error) {
    for (const auto& [value, name] : kErrorNames) {
        if (value == error)
            return name;
    }
    return "unknown";
}

std::string EncodeRequest(const ControlRequest& request) {
    std::string text(kProtocolLine);
    text += '\n';
    if (request.kind == ControlRequest::Kind::Status) {
        AddLine(text, "request", "status");
        if (request.afterId)
            AddLine(text, "after-id", std::to_string(*request.afterId));
        return text;
    }
    if (request.kind == ControlRequest::Kind::LoginDone) {
        AddLine(text, "request", "login-done");
        return text;
    }
    AddLine(text, "request", "send");
    AddLine(text, request.target.kind == TargetKind::Title ? "target-title" : "target-property",
            Wide(request.target.name));
    AddLine(text, "message", std::to_string(request.message));
    AddLine(text, "wparam", std::to_string(request.wParam));
    AddLine(text, "lparam", std::to_string(request.lParam));
    return text;
}

std::optional<ControlRequest> DecodeRequest(std::string_view text) {
    const auto fields = ParseFields(text);
    if (!fields)
        return std::nullopt;
    const std::string* kind = Field(*fields, "request");
    ControlRequest request;
    if (kind && *kind == "status") {
        request.kind = ControlRequest::Kind::Status;
        if (Field(*fields, "after-id") &&
            !NumberField(*fields, "after-id", request.afterId.emplace()))
            return std::nullopt;
        return request;
    }
    if (kind && *kind == "login-done") {
        request.kind = ControlRequest::Kind::LoginDone;
        return request;
    }
    if (!kind || *kind != "send" || !DecodeTarget(*fields, request.target) ||
        !NumberField(*fields, "message", request.message) ||
        !NumberField(*fields, "wparam", request.wParam) ||
        !NumberField(*fields, "lparam", request.lParam))
        return std::nullopt;
    return request;
}

std::string EncodeReply(const ControlReply& reply) {
    std::string text(kProtocolLine);
    text += '\n';
    if (reply.error != ControlError::None) {
        AddLine(text, "error", ControlErrorName(reply.error));
        AddLine(text, "error-text", reply.errorText);
        return text;
    }
    AddLine(text, "result", std::to_string(reply.result));
    const ControlStatus& status = reply.status;
    AddLine(text, "engine", status.engine ? "1" : "0");
    AddLine(text, "main-window", status.mainWindow ? "1" : "0");
    if (status.listedAfter)
        AddLine(text, "after-id", std::to_string(*status.listedAfter));
    // Tasks are listed while the reply stays within one message; the rest are counted (a
    // client asks for them with the last listed id as "after-id").
    constexpr size_t kRoomForCount = 64;
    size_t omitted = status.tasksOmitted;
    for (const TaskLine& task : status.tasks) {
        std::string line = "task=" + Escape(std::to_string(task.id) + ' ' +
                                            std::to_string(task.state) + ' ' + Wide(task.path));
        if (omitted > 0 || text.size() + line.size() + 1 + kRoomForCount > kMaxControlMessage) {
            ++omitted;
            continue;
        }
        text += line;
        text += '\n';
    }
    if (omitted > 0)
        AddLine(text, "tasks-omitted", std::to_string(omitted));
    return text;
}

std::optional<ControlReply> DecodeReply(std::string_view text) {
    const auto fields = ParseFields(text);
    if (!fields)
        return std::nullopt;
    ControlReply reply;
    if (const std::string* error = Field(*fields, "error")) {
        const auto value = ErrorFromName(*error);
        if (!value || *value == ControlError::None)
            return std::nullopt;
        reply.error = *value;
        if (const std::string* errorText = Field(*fields, "error-text"))
            reply.errorText = *errorText;
        return reply;
    }
    if (!NumberField(*fields, "result", reply.result) || !DecodeStatus(*fields, reply.status))
        return std::nullopt;
    return reply;
}

}  // namespace control
