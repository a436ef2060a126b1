#pragma once

// The log command: prints the uploader's newest log file converted to UTF-8 (the files
// are written in the ANSI code page), and with follow goes on printing what is added,
// moving to the next file when the uploader starts one.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

namespace send {

// The uploader's log folder: the stored install path's "Log", else the "Log" beside the
// programs (clientFolder), as the logger decides.
std::string UploaderLogFolder(const std::string& clientFolder);

struct LogFollow {
    bool follow = false;
    std::chrono::milliseconds poll{500};  // between looks for more
    std::function<bool()> stop;           // asked between looks; never stops when empty
};

// Returns the exit status; the log goes to out, messages to err.
int RunLogCommand(const std::string& folder, const LogFollow& follow, std::ostream& out,
                  std::ostream& err);

}  // namespace send
