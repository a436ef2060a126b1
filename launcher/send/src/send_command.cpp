#include "send/send_command.h"

#include <charconv>
#include <string_view>

#include "intake/messages.h"
#include "intake/request_entry.h"
#include "platform/text.h"

namespace send {
namespace {

constexpr std::pair<std::string_view, uint32_t> kMessageNames[] = {
    {"WM_CLOSE", platform::WM_CLOSE},
    {"WM_SAVE_AND_EXIT", intake::WM_SAVE_AND_EXIT},
    {"WM_ACCOUNT_COMMAND", intake::WM_ACCOUNT_COMMAND},
    {"WM_START_UPDATER", intake::WM_START_UPDATER},
    {"WM_QUERY_PENDING", intake::WM_QUERY_PENDING},
};

template <typename Number>
bool ParseNumber(std::string_view text, Number& out) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseMessage(std::string_view text, uint32_t& message) {
    for (const auto& [name, value] : kMessageNames) {
        if (text == name) {
            message = value;
            return true;
        }
    }
    return ParseNumber(text, message);
}

control::ControlTarget ParseTarget(std::string_view text) {
    if (text == "main")
        return {control::TargetKind::Property, std::u16string(control::kMainWindowProperty)};
    if (text.starts_with("property:"))
        return {control::TargetKind::Property, platform::Utf8ToWide(text.substr(9))};
    if (text.starts_with("title:"))
        text.remove_prefix(6);
    return {control::TargetKind::Title, platform::Utf8ToWide(text)};
}

std::optional<CommandKind> RequestCommand(std::string_view word) {
    if (word == "upload")
        return CommandKind::Upload;
    if (word == "share")
        return CommandKind::Share;
    if (word == "weibo")
        return CommandKind::Weibo;
    return std::nullopt;
}

std::optional<SendCommand> Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return std::nullopt;
}

std::optional<SendCommand> ParseMessageCommand(std::span<const std::string> rest, SendCommand command,
                                               std::string* error) {
    if (rest.size() != 4)
        return Fail(error, "message needs TARGET MESSAGE WPARAM LPARAM");
    command.kind = CommandKind::Message;
    command.request.kind = control::ControlRequest::Kind::Send;
    command.request.target = ParseTarget(rest[0]);
    if (!ParseMessage(rest[1], command.request.message))
        return Fail(error, "unknown message: " + rest[1]);
    if (!ParseNumber<uint64_t>(rest[2], command.request.wParam))
        return Fail(error, "WPARAM is not a number: " + rest[2]);
    if (!ParseNumber<int64_t>(rest[3], command.request.lParam))
        return Fail(error, "LPARAM is not a number: " + rest[3]);
    return command;
}

}  // namespace

std::optional<SendCommand> ParseCommand(std::span<const std::string> arguments, std::string* error) {
    SendCommand command;
    size_t next = 0;
    if (next < arguments.size() && arguments[next] == "--wait") {
        uint32_t seconds = 0;
        if (next + 1 >= arguments.size() || !ParseNumber(arguments[next + 1], seconds) ||
            seconds > 3600)
            return Fail(error, "--wait needs a number of seconds (at most 3600)");
        command.waitMs = seconds * 1000;
        next += 2;
    }
    if (next >= arguments.size())
        return Fail(error, "no command given");
    const std::string& word = arguments[next];
    const std::span<const std::string> rest = arguments.subspan(next + 1);
    if (word == "--help" || word == "-h" || word == "help") {
        command.kind = CommandKind::Help;
        return command;
    }
    if (const auto kind = RequestCommand(word)) {
        if (rest.empty())
            return Fail(error, word + " needs at least one path");
        command.kind = *kind;
        command.paths.assign(rest.begin(), rest.end());
        return command;
    }
    if (word == "message")
        return ParseMessageCommand(rest, std::move(command), error);
    if (word == "status" && rest.empty()) {
        command.kind = CommandKind::Status;
        command.request.kind = control::ControlRequest::Kind::Status;
        return command;
    }
    if (word == "login" && rest.size() == 1 && !rest[0].empty()) {
        command.kind = CommandKind::Login;
        command.userName = rest[0];
        return command;
    }
    return Fail(error, "unknown command or wrong arguments: " + word);
}

std::string UsageText() {
    return "usage: norvel-flinga-send [--wait SECONDS] upload|share|weibo PATH...\n"
           "       norvel-flinga-send [--wait SECONDS] message TARGET MESSAGE WPARAM LPARAM\n"
           "       norvel-flinga-send [--wait SECONDS] status\n"
           "       norvel-flinga-send login NAME   (the password is read from standard input)\n"
           "\n"
           "upload, share and weibo hand files to the running uploader (starting it when\n"
           "none runs); a folder stands for the files below it. TARGET is main, title:TEXT,\n"
           "property:NAME or a window title; MESSAGE is a number or one of WM_CLOSE,\n"
           "WM_SAVE_AND_EXIT, WM_ACCOUNT_COMMAND, WM_START_UPDATER, WM_QUERY_PENDING.\n";
}

int32_t RequestKind(CommandKind kind) {
    switch (kind) {
        case CommandKind::Share:
            return intake::kShareLinkRequest;
        case CommandKind::Weibo:
            return intake::kWeiboRequest;
        default:
            return intake::kUploadRequest;
    }
}

}  // namespace send
