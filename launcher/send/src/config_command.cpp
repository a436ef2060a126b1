#include "send/config_command.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>

#include "platform/text.h"
#include "send/exit_codes.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"

namespace send {
namespace {

enum class ValueKind { Host, SpeedLimits, Flag, HintBits };

struct ConfigKey {
    std::string_view name;
    std::u16string_view key;  // the settings key the value lives under
    ValueKind kind;
    uint32_t defaultNumber;  // what a missing number means to the program
};

constexpr ConfigKey kKeys[] = {
    {"API_HOST", settings::kNorvelKey, ValueKind::Host, 0},
    {"WEB_HOST", settings::kNorvelKey, ValueKind::Host, 0},
    {"DOWNLOAD_HOST", settings::kNorvelKey, ValueKind::Host, 0},
    {"LOGIN_HOST", settings::kNorvelKey, ValueKind::Host, 0},
    {"LIMITSPEED", settings::kNorvelKey, ValueKind::SpeedLimits, 0},
    {"AUTO_CLIPBOARD", settings::kFlingaKey, ValueKind::Flag, 0},
    {"ANONY_LINK", settings::kFlingaKey, ValueKind::Flag, 0},
    {"MINITIPS", settings::kFlingaKey, ValueKind::HintBits, 7},
};

constexpr uint32_t kMaxSpeedKBps = 10240;

const ConfigKey* FindKey(std::string_view name) {
    for (const ConfigKey& key : kKeys)
        if (key.name == name)
            return &key;
    return nullptr;
}

std::optional<uint32_t> ParseDecimal(std::string_view text, uint32_t max) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// "UPLOAD;DOWNLOAD", both decimal KB/s within the cap the program clamps to.
bool IsSpeedLimits(std::string_view text) {
    const size_t semicolon = text.find(';');
    return semicolon != std::string_view::npos &&
           ParseDecimal(text.substr(0, semicolon), kMaxSpeedKBps) &&
           ParseDecimal(text.substr(semicolon + 1), kMaxSpeedKBps);
}

// Why the value cannot be stored under the key; empty when it can.
std::string Refusal(const ConfigKey& key, std::string_view value) {
    settings::ServiceHost host;
    switch (key.kind) {
        case ValueKind::Host:
            if (platform::WideToUtf8(platform::Utf8ToWide(value)) != value ||
                platform::Utf8ToWide(value).size() > settings::kMaxStringValue ||
                !settings::ParseServiceHost(platform::Utf8ToWide(value), host))
                return "not a usable host: give host, host:port, [ipv6]:port or an http:// or "
                       "https:// base";
            return {};
        case ValueKind::SpeedLimits:
            return IsSpeedLimits(value)
                       ? std::string()
                       : "give UPLOAD;DOWNLOAD in KB/s, each 0 to 10240 (0 = no cap)";
        case ValueKind::Flag:
            return ParseDecimal(value, 1) ? std::string() : "give 0 or 1";
        case ValueKind::HintBits:
            return ParseDecimal(value, 7) ? std::string() : "give a number from 0 to 7";
    }
    return {};
}

bool Store(const ConfigKey& key, const std::string& value) {
    const std::u16string name = platform::Utf8ToWide(key.name);
    if (key.kind == ValueKind::Host || key.kind == ValueKind::SpeedLimits)
        return settings::WriteString(key.key, name, platform::Utf8ToWide(value));
    return settings::WriteDword(key.key, name, *ParseDecimal(value, 7));
}

bool IsStored(const ConfigKey& key) {
    const std::u16string name = platform::Utf8ToWide(key.name);
    return settings::ReadString(key.key, name) || settings::ReadDword(key.key, name);
}

// The value the program works with: the stored one, or what a missing or unusable one
// stands for.
std::string EffectiveValue(const ConfigKey& key, std::ostream& err) {
    const std::u16string name = platform::Utf8ToWide(key.name);
    if (key.kind == ValueKind::Host || key.kind == ValueKind::SpeedLimits) {
        const auto stored = settings::ReadString(key.key, name);
        const std::string text = stored ? platform::WideToUtf8(*stored) : std::string();
        if (stored && Refusal(key, text).empty())
            return text;
        if (stored)
            err << "norvel-flinga-send: the stored " << key.name << " is not usable (\"" << text
                << "\"); the default applies\n";
        if (key.kind == ValueKind::SpeedLimits)
            return "0;0";
        return platform::WideToUtf8(settings::kDefaultServiceHost);
    }
    return std::to_string(settings::ReadDword(key.key, name).value_or(key.defaultNumber));
}

}  // namespace

int RunConfigCommand(ConfigAction action, const std::string& keyName, const std::string& value,
                     std::ostream& out, std::ostream& err) {
    const ConfigKey* key = FindKey(keyName);
    if (!key) {
        err << "norvel-flinga-send: unknown setting: " << keyName
            << " (known: API_HOST, WEB_HOST, DOWNLOAD_HOST, LOGIN_HOST, LIMITSPEED, "
               "AUTO_CLIPBOARD, ANONY_LINK, MINITIPS)\n";
        return kExitBadSetting;
    }
    switch (action) {
        case ConfigAction::Get:
            out << EffectiveValue(*key, err) << "\n";
            return kExitOk;
        case ConfigAction::Unset:
            if (!settings::DeleteValue(key->key, platform::Utf8ToWide(key->name)) &&
                IsStored(*key)) {
                err << "norvel-flinga-send: the settings file could not be written\n";
                return kExitFailed;
            }
            return kExitOk;
        case ConfigAction::Set:
            break;
    }
    if (const std::string why = Refusal(*key, value); !why.empty()) {
        err << "norvel-flinga-send: " << key->name << " refused \"" << value << "\": " << why
            << "\n";
        return kExitBadSetting;
    }
    if (!Store(*key, value)) {
        err << "norvel-flinga-send: the settings file could not be written\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace send
