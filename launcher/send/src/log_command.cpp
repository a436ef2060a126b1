#include "send/log_command.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/text.h"
#include "send/exit_codes.h"
#include "settings/registry_values.h"

namespace send {
namespace {

namespace fs = std::filesystem;

// norvel-uploader-YYYY-MM-DD_NN.log
bool IsUploaderLogName(std::string_view name) {
    constexpr std::string_view kPrefix = "norvel-uploader-";
    constexpr std::string_view kPattern = "dddd-dd-dd_dd.log";
    if (!name.starts_with(kPrefix) || name.size() != kPrefix.size() + kPattern.size())
        return false;
    name.remove_prefix(kPrefix.size());
    for (size_t i = 0; i < kPattern.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : name[i] != kPattern[i])
            return false;
    }
    return true;
}

// The names sort by date and number, so the greatest is the newest.
std::string NewestLog(const std::string& folder) {
    std::error_code ec;
    std::string newest;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsUploaderLogName(name) && name > newest)
            newest = name;
    }
    return newest.empty() ? std::string() : folder + "/" + newest;
}

// Prints the whole lines from offset on and moves offset past them; a line still being
// written (and the bytes of a character cut in two) waits for the next look.
void PrintFrom(const std::string& path, std::streamoff& offset, bool toEnd, std::ostream& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file || !file.seekg(offset))
        return;
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const size_t end = toEnd ? bytes.size() : bytes.rfind('\n') + 1;  // npos + 1 is 0
    if (end == 0)
        return;
    out << platform::WideToUtf8(platform::AnsiToWide(std::string_view(bytes).substr(0, end)));
    out.flush();
    offset += static_cast<std::streamoff>(end);
}

}  // namespace

std::string UploaderLogFolder(const std::string& clientFolder) {
    const auto stored = settings::ReadString(settings::kNorvelKey, settings::kInstallPath);
    std::string install = stored ? platform::WideToUtf8(*stored) : std::string();
    while (install.size() > 1 && install.back() == '/')
        install.pop_back();
    if (install.starts_with('/'))
        return install + "/Log";
    return clientFolder + "/Log";
}

int RunLogCommand(const std::string& folder, const LogFollow& follow, std::ostream& out,
                  std::ostream& err) {
    std::string current = NewestLog(folder);
    if (current.empty() && !follow.follow) {
        err << "norvel-flinga-send: no log of the uploader in " << folder << "\n";
        return kExitFailed;
    }
    std::streamoff offset = 0;
    if (!current.empty())
        PrintFrom(current, offset, !follow.follow, out);
    while (follow.follow && !(follow.stop && follow.stop())) {
        std::this_thread::sleep_for(follow.poll);
        const std::string newest = NewestLog(folder);
        if (!current.empty())
            PrintFrom(current, offset, newest != current, out);
        if (newest != current) {
            current = newest;
            offset = 0;
            if (!current.empty())
                PrintFrom(current, offset, false, out);
        }
    }
    return kExitOk;
}

}  // namespace send
