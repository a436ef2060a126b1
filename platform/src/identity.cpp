#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/system.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr size_t kComputerNameMax = 15;  // characters of a Windows computer name

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

std::u16string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0)
        return {};
    // A computer name is one label: "box.example.org" is the computer "box".
    std::string_view host(name);
    host = host.substr(0, host.find('.'));
    std::u16string wide = Utf8ToWide(host);
    if (wide.size() > kComputerNameMax) {
        wide.resize(kComputerNameMax);
        if (IsHighSurrogate(wide.back()))
            wide.pop_back();  // never keep half a character
    }
    return wide;
}

std::u16string CurrentUserName() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    int rc;
    while ((rc = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc == 0 && found && found->pw_name && found->pw_name[0])
        return Utf8ToWide(found->pw_name);
    // A uid without a passwd entry (some containers): the login's own word for it.
    const char* user = std::getenv("USER");
    return user ? Utf8ToWide(user) : std::u16string();
}

}  // namespace platform
