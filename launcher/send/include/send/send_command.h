#pragma once

// The command line of norvel-flinga-send:
//
//   norvel-flinga-send [--wait SECONDS] upload|share|weibo PATH...
//   norvel-flinga-send [--wait SECONDS] message TARGET MESSAGE WPARAM LPARAM
//   norvel-flinga-send [--wait SECONDS] status
//   norvel-flinga-send login NAME
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

enum class CommandKind { Upload, Share, Weibo, Message, Status, Login, Help };

struct SendCommand {
    CommandKind kind = CommandKind::Help;
    std::vector<std::string> paths;       // upload, share, weibo
    control::ControlRequest request;      // message
    std::string userName;                 // login
    uint32_t waitMs = 10000;              // how long the launcher may take to answer
};

// Parses the arguments after the program name; empty with the reason on a usage error.
[[nodiscard]] std::optional<SendCommand> ParseCommand(std::span<const std::string> arguments,
                                                      std::string* error);

// The usage text.
std::string UsageText();

// The request kind of upload, share and weibo (1, 2, 3).
int32_t RequestKind(CommandKind kind);

}  // namespace send
