#include <cstdlib>
#include <string>

#include "environment_text.h"
#include "platform/kept_object.h"
#include "platform/process.h"

namespace {

// xdg-settings is a shell script that asks the desktop; it answers in well under a
// second, and a desktop that does not answer must not hold the log writer for long.
constexpr uint32_t kQueryTimeoutMs = 3000;

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string AskDesktop() {
    const auto answer =
        platform::RunProgramOutput({"xdg-settings", "get", "default-web-browser"}, kQueryTimeoutMs);
    if (answer) {
        std::string browser = FirstLine(*answer);
        if (!browser.empty())
            return browser;
    }
    const char* variable = std::getenv("BROWSER");
    return variable && *variable ? std::string(variable) : std::string("unknown");
}

}  // namespace

std::string DefaultBrowser() {
    // Never destroyed: the writer's last drain at exit may write a header.
    static const std::string* const browser = platform::KeptForGood(new std::string(AskDesktop()));
    return *browser;
}
