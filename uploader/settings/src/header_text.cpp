#include <optional>

#include "settings/settings.h"
#include "settings_internal.h"
#include "tools/guarded.h"
#include "tools/module_version.h"

namespace settings {
namespace {

constexpr std::u16string_view kFixedHeaders =
    u"Accept: */*\r\n"
    u"Accept-Language: zh-cn\r\n"
    u"Content-Type: application/x-www-form-urlencoded\r\n"
    u"Cache-Control: no-cache\r\n";

// Built once per process (again after ResetHeaderTexts()).
struct HeaderTexts {
    std::optional<std::u16string> userAgent;
    std::optional<std::u16string> headerText;
};
tools::Guarded<HeaderTexts> g_Texts;

// The text, or the one built outside the lock when there is none yet: the first built
// wins, so every caller gets the same text.
std::u16string KeptOrBuilt(std::optional<std::u16string> HeaderTexts::*field,
                           std::u16string (*build)()) {
    if (auto kept = g_Texts.With([field](const HeaderTexts& texts) { return texts.*field; }))
        return *kept;
    std::u16string built = build();  // reads settings: outside the lock
    return g_Texts.With([&](HeaderTexts& texts) {
        if (!(texts.*field))
            texts.*field = std::move(built);
        return *(texts.*field);
    });
}

std::u16string BuildUserAgent() {
    std::u16string channel = GetChannel();
    if (channel.empty())
        channel = u"0000";
    return u"User-Agent: Norvel_flinga/" + InstalledLibraryVersion() + u",Channel=" + channel +
           u"\r\n";
}

}  // namespace

std::u16string GetUserAgent() {
    return KeptOrBuilt(&HeaderTexts::userAgent, &BuildUserAgent);
}

std::u16string GetHeaderText() {
    return KeptOrBuilt(&HeaderTexts::headerText,
                       [] { return std::u16string(kFixedHeaders) + GetUserAgent(); });
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
    g_Texts.Set({});
}

}  // namespace settings
