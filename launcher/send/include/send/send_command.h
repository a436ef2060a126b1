#pragma once

// The command line of norvel-flinga-send:
//
//   norvel-flinga-send [--wait SECONDS] upload|share|weibo PATH...
//   norvel-flinga-send [--wait SECONDS] message TARGET MESSAGE WPARAM LPARAM
//   norvel-flinga-send [--wait SECONDS] status [--raw]
//   norvel-flinga-send [--wait SECONDS] quit
//   norvel-flinga-send login NAME
//   norvel-flinga-send logout
//   norvel-flinga-send config get KEY | config set KEY VALUE | config unset KEY
//   norvel-flinga-send log [--follow]
//   norvel-flinga-send --version
//
// TARGET is "main" (the main upload window), "title:TEXT", "property:NAME" or a title.
// MESSAGE is a number (decimal or 0x...) or one of the names of the outside messages.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "control/control_protocol.h"

namespace send {

enum class CommandKind {
    Upload,
    Share,
    Weibo,
    Message,
    Status,
    Quit,
    Login,
    Logout,
    Config,
    Log,
    Version,
    Help
};

enum class ConfigAction { Get, Set, Unset };

struct SendCommand {
    CommandKind kind = CommandKind::Help;
    std::vector<std::string> paths;   // upload, share, weibo
    control::ControlRequest request;  // message
    std::string userName;             // login
    bool rawStates = false;           // status: states as numbers
    ConfigAction configAction = ConfigAction::Get;
    std::string configKey;    // config
    std::string configValue;  // config set
    bool follow = false;      // log
    uint32_t waitMs = 10000;  // how long the launcher may take to answer
};

// Parses the arguments after the program name; empty with the reason on a usage error.
[[nodiscard]] std::optional<SendCommand> ParseCommand(std::span<const std::string> arguments,
                                                      std::string* error);

// The usage text.
std::string UsageText();

// The request kind of upload, share and weibo (1, 2, 3).
int32_t RequestKind(CommandKind kind);

}  // namespace send
