#include "platform/launch.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

// A short-lived shell starts the program in the background and ends at once, so the
// program is handed to init and never becomes a zombie of ours. The program and its
// arguments travel as positional parameters: the shell never reads them as code.
constexpr const char* kBackgroundScript = "\"$0\" \"$@\" </dev/null >/dev/null 2>&1 &";

bool WaitForShell(pid_t shell) {
    int status = 0;
    while (::waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string();
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty())
        return false;
    std::vector<char*> args;
    args.push_back(const_cast<char*>("sh"));
    args.push_back(const_cast<char*>("-c"));
    args.push_back(const_cast<char*>(kBackgroundScript));
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t shell = -1;
    if (::posix_spawn(&shell, "/bin/sh", nullptr, nullptr, args.data(), environ) != 0)
        return false;
    return WaitForShell(shell);
}

bool OpenUrl(std::u16string_view url) {
    if (url.empty())
        return false;
    std::string opener = FromEnvironment("NORVEL_OPEN_URL");
    if (opener.empty())
        opener = FromEnvironment("BROWSER");
    if (opener.empty())
        opener = "xdg-open";
    return StartDetached({opener, WideToUtf8(url)});
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

}  // namespace platform
