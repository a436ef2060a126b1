#include "settings/registry_values.h"

#include "platform/registry.h"

namespace settings {
namespace {

constexpr uint32_t kMaxSpeedKBps = 10240;

std::optional<platform::RegistryKey> OpenForWriting(std::u16string_view key) {
    return platform::RegistryKey::Create(key);
}

// Reads a decimal number at the front of text, clamped to 0..kMaxSpeedKBps.
uint32_t ParseClampedSpeed(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - u'0');
        if (value > kMaxSpeedKBps)
            value = kMaxSpeedKBps + 1;  // stop growing; clamped below
    }
    if (negative)
        return 0;
    return value > kMaxSpeedKBps ? kMaxSpeedKBps : static_cast<uint32_t>(value);
}

}  // namespace

std::optional<std::u16string> ReadString(std::u16string_view key, std::u16string_view name) {
    auto value = platform::RegistryKey::GetString(key, name);
    if (!value || value->size() > kMaxStringValue)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> ReadDword(std::u16string_view key, std::u16string_view name) {
    return platform::RegistryKey::GetDword(key, name);
}

bool WriteString(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
    auto opened = OpenForWriting(key);
    return opened && opened->WriteString(name, value);
}

bool WriteDword(std::u16string_view key, std::u16string_view name, uint32_t value) {
    auto opened = OpenForWriting(key);
    return opened && opened->WriteDword(name, value);
}

bool DeleteValue(std::u16string_view key, std::u16string_view name) {
    auto opened = platform::RegistryKey::Open(key);
    return opened && opened->DeleteValue(name);
}

bool DeleteAllValues(std::u16string_view key) {
    auto opened = platform::RegistryKey::Open(key);
    return opened && opened->DeleteAllValues();
}

uint32_t ReadFlingaDwordOrInit(std::u16string_view name, uint32_t defaultValue) {
    if (auto value = ReadDword(kFlingaKey, name))
        return *value;
    WriteDword(kFlingaKey, name, defaultValue);
    return defaultValue;
}

SpeedLimits ParseSpeedLimits(std::u16string_view text) {
    SpeedLimits limits;
    const size_t separator = text.find(u';');
    limits.uploadKBps = ParseClampedSpeed(text.substr(0, separator));
    if (separator != std::u16string_view::npos)
        limits.downloadKBps = ParseClampedSpeed(text.substr(separator + 1));
    return limits;
}

SpeedLimits ReadSpeedLimits() {
    const auto text = ReadString(kNorvelKey, kLimitSpeed);
    return text ? ParseSpeedLimits(*text) : SpeedLimits{};
}

}  // namespace settings
