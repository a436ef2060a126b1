#include <mutex>
#include <optional>

#include "settings/settings.h"
#include "settings_internal.h"
#include "tools/module_version.h"

namespace settings {
namespace {

constexpr std::u16string_view kFixedHeaders =
    u"Accept: */*\r\n"
    u"Accept-Language: zh-cn\r\n"
    u"Content-Type: application/x-www-form-urlencoded\r\n"
    u"Cache-Control: no-cache\r\n";

std::mutex g_HeaderLock;
std::optional<std::u16string> g_UserAgent;   // built once per process
std::optional<std::u16string> g_HeaderText;  // built once per process

std::u16string BuildUserAgent() {
    std::u16string channel = GetChannel();
    if (channel.empty())
        channel = u"0000";
    return u"User-Agent: Norvel_flinga/" + InstalledLibraryVersion() + u",Channel=" + channel +
           u"\r\n";
}

}  // namespace

std::u16string GetUserAgent() {
    {
        std::lock_guard lock(g_HeaderLock);
        if (g_UserAgent)
            return *g_UserAgent;
    }
    std::u16string built = BuildUserAgent();  // reads settings: outside the lock
    std::lock_guard lock(g_HeaderLock);
    if (!g_UserAgent)
        g_UserAgent = std::move(built);
    return *g_UserAgent;
}

std::u16string GetHeaderText() {
    {
        std::lock_guard lock(g_HeaderLock);
        if (g_HeaderText)
            return *g_HeaderText;
    }
    std::u16string built = std::u16string(kFixedHeaders) + GetUserAgent();
    std::lock_guard lock(g_HeaderLock);
    if (!g_HeaderText)
        g_HeaderText = std::move(built);
    return *g_HeaderText;
}

std::u16string InstalledLibraryVersion() {
    std::u16string version;
    std::u16string specialBuild;
    if (!tools::GetModuleVersion(GetInstallPath() + u"/Flinga/libNorvel_flinga.so", version,
                                 specialBuild))
        return u"0.0.0.0";
    return version;
}

void ResetHeaderTexts() {
    std::lock_guard lock(g_HeaderLock);
    g_UserAgent.reset();
    g_HeaderText.reset();
}

}  // namespace settings
