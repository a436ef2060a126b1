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

std::optional<SendCommand> ParseMessageCommand(std::span<const std::string> rest,
                                               SendCommand command, std::string* error) {
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

std::optional<SendCommand> ParseStatusCommand(std::span<const std::string> rest,
                                              SendCommand command, std::string* error) {
    if (rest.size() > 1 || (rest.size() == 1 && rest[0] != "--raw"))
        return Fail(error, "status takes only --raw");
    command.kind = CommandKind::Status;
    command.request.kind = control::ControlRequest::Kind::Status;
    command.rawStates = rest.size() == 1;
    return command;
}

std::optional<SendCommand> ParseConfigCommand(std::span<const std::string> rest,
                                              SendCommand command, std::string* error) {
    command.kind = CommandKind::Config;
    const std::string_view action = rest.empty() ? std::string_view() : rest[0];
    if (action == "get" && rest.size() == 2)
        command.configAction = ConfigAction::Get;
    else if (action == "unset" && rest.size() == 2)
        command.configAction = ConfigAction::Unset;
    else if (action == "set" && rest.size() == 3)
        command.configAction = ConfigAction::Set;
    else
        return Fail(error, "config needs: get KEY, set KEY VALUE or unset KEY");
    command.configKey = rest[1];
    if (command.configAction == ConfigAction::Set)
        command.configValue = rest[2];
    return command;
}

// Commands that are one word.
std::optional<CommandKind> WordCommand(std::string_view word) {
    if (word == "quit")
        return CommandKind::Quit;
    if (word == "logout")
        return CommandKind::Logout;
    if (word == "--version" || word == "version")
        return CommandKind::Version;
    return std::nullopt;
}

}  // namespace

std::optional<SendCommand> ParseCommand(std::span<const std::string> arguments,
                                        std::string* error) {
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
    if (word == "status")
        return ParseStatusCommand(rest, std::move(command), error);
    if (word == "login") {
        if (rest.size() != 1 || rest[0].empty())
            return Fail(error,
                        "login needs the account NAME (the password is read from standard input)");
        command.kind = CommandKind::Login;
        command.userName = rest[0];
        return command;
    }
    if (word == "config")
        return ParseConfigCommand(rest, std::move(command), error);
    if (word == "log") {
        if (rest.size() > 1 || (rest.size() == 1 && rest[0] != "--follow"))
            return Fail(error, "log takes only --follow");
        command.kind = CommandKind::Log;
        command.follow = rest.size() == 1;
        return command;
    }
    if (const auto kind = WordCommand(word)) {
        if (!rest.empty())
            return Fail(error, word + " takes no arguments");
        command.kind = *kind;
        return command;
    }
    return Fail(error, "unknown command: " + word);
}

std::string UsageText() {
    return "usage: norvel-flinga-send [--wait SECONDS] upload|share|weibo PATH...\n"
           "       norvel-flinga-send [--wait SECONDS] message TARGET MESSAGE WPARAM LPARAM\n"
           "       norvel-flinga-send [--wait SECONDS] status [--raw]\n"
           "       norvel-flinga-send [--wait SECONDS] quit\n"
           "       norvel-flinga-send login NAME   (the password is read from standard input)\n"
           "       norvel-flinga-send logout\n"
           "       norvel-flinga-send config get KEY | config set KEY VALUE | config unset KEY\n"
           "       norvel-flinga-send log [--follow]\n"
           "       norvel-flinga-send --version\n"
           "\n"
           "upload, share and weibo hand files to the running uploader (starting it when\n"
           "none runs); a folder stands for the files below it. TARGET is main, title:TEXT,\n"
           "property:NAME or a window title; MESSAGE is a number or one of WM_CLOSE,\n"
           "WM_SAVE_AND_EXIT, WM_ACCOUNT_COMMAND, WM_START_UPDATER, WM_QUERY_PENDING.\n"
           "status names each task's state (--raw: its number); quit saves the task list and\n"
           "ends the uploader. config KEYs: API_HOST, WEB_HOST, DOWNLOAD_HOST, LOGIN_HOST\n"
           "(host, host:port or an http:// or https:// base), LIMITSPEED (UPLOAD;DOWNLOAD in\n"
           "KB/s, 0 to 10240 each, 0 = no cap), AUTO_CLIPBOARD and ANONY_LINK (0 or 1),\n"
           "MINITIPS (0 to 7). log prints the uploader's newest log in UTF-8.\n";
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
