#include "platform/launch.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/detached_process.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string();
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty())
        return false;
    return DetachedProgram::Start(argv[0], {argv.begin() + 1, argv.end()}, false).has_value();
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

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

}  // namespace platform
