#include "actions/visit_url.h"
#include "platform/launch.h"
#include "settings/service_hosts.h"
#include "tools/ascii_case.h"

namespace actions {
namespace {

// Only web addresses reach the browser: no other scheme (a file, a program), and no
// blank or control character that could make the address mean something else.
bool IsWebAddress(std::u16string_view url) {
    const size_t scheme = tools::StartsWithAsciiNoCase(url, u"http://")    ? 7
                          : tools::StartsWithAsciiNoCase(url, u"https://") ? 8
                                                                           : 0;
    if (scheme == 0 || url.size() == scheme)
        return false;
    for (char16_t c : url)
        if (c <= u' ' || c == u'\x7f')
            return false;
    return true;
}

}  // namespace

std::u16string MainWebPage() {
    return settings::BaseUrl(settings::GetWebHost()) + u"/";
}

int OpenUrl(std::u16string_view url) {
    const std::u16string address = IsWebAddress(url) ? std::u16string(url) : MainWebPage();
    return platform::OpenUrl(address) ? 0 : -1;
}

}  // namespace actions
