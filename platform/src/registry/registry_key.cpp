#include <cstdlib>

#include "hex_data.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "store.h"

namespace platform {
namespace {

using registry::Document;
using registry::Key;
using registry::Store;
using registry::Value;
using registry::ValueKind;

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

// Text that can be a name in the file: no control characters (they would break its
// lines) and no unpaired surrogates (UTF-8 cannot hold them).
std::optional<std::string> NameText(std::u16string_view name) {
    for (char16_t unit : name)
        if (unit < 0x20)
            return std::nullopt;
    std::string text = WideToUtf8(name);
    if (Utf8ToWide(text) != name)
        return std::nullopt;
    return text;
}

// "software\Norvel" -> "HKEY_CURRENT_USER\software\Norvel"; empty ("\" and doubled
// backslashes aside) for a path that cannot name a key.
std::optional<std::string> SectionName(std::u16string_view path) {
    std::string section(kRoot);
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(u'\\', start), path.size());
        if (end > start) {
            const auto part = NameText(path.substr(start, end - start));
            if (!part)
                return std::nullopt;
            section += '\\';
            section += *part;
        }
        start = end + 1;
    }
    return section;
}

bool KeyOrRootExists(const Document& document, std::string_view section) {
    return section == kRoot || registry::KeyExists(document, section);
}

// The value of the key, copied out of the store; empty when missing.
std::optional<Value> ReadValue(std::u16string_view path, std::u16string_view name) {
    const auto section = SectionName(path);
    const auto valueName = NameText(name);
    std::optional<Value> found;
    if (!section || !valueName)
        return found;
    Store::Instance().Read([&](const Document& document) {
        if (const Key* key = registry::FindKey(document, *section))
            if (const Value* value = registry::FindValue(*key, *valueName))
                found = *value;
    });
    return found;
}

// The value when it has the kind asked for, or the same type in "hex(<type>):" form.
template <class T>
std::optional<T> ReadTyped(std::u16string_view path, std::u16string_view name, ValueKind kind,
                           T Value::*field,
                           std::optional<T> (*fromHexData)(const registry::HexData&)) {
    const auto value = ReadValue(path, name);
    if (!value)
        return std::nullopt;
    if (value->kind == kind)
        return (*value).*field;
    const auto data =
        value->kind == ValueKind::Other ? registry::ParseHexData(value->raw) : std::nullopt;
    return data ? fromHexData(*data) : std::nullopt;
}

bool WriteValue(std::u16string_view path, std::u16string_view name, Value value) {
    const auto section = SectionName(path);
    const auto valueName = NameText(name);
    if (!section || !valueName)
        return false;
    value.name = *valueName;
    return Store::Instance().Modify([&](Document& document) {
        const size_t keys = document.keys.size();
        Key& key = registry::FindOrAddKey(document, *section);
        const bool added = document.keys.size() != keys;
        return registry::SetValue(key, std::move(value)) || added;
    });
}

}  // namespace

std::string RegistryFilePath() {
    if (const char* file = std::getenv("NORVEL_REGISTRY"); file && *file)
        return file;
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::string(config) + "/norvel/registry.reg";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/norvel/registry.reg";
}

std::optional<RegistryKey> RegistryKey::Create(std::u16string_view path) {
    const auto section = SectionName(path);
    if (!section)
        return std::nullopt;
    if (Open(path))
        return RegistryKey(std::u16string(path));
    const bool created = Store::Instance().Modify([&](Document& document) {
        if (KeyOrRootExists(document, *section))
            return false;
        registry::FindOrAddKey(document, *section);
        return true;
    });
    return created ? std::optional(RegistryKey(std::u16string(path))) : std::nullopt;
}

std::optional<RegistryKey> RegistryKey::Open(std::u16string_view path) {
    const auto section = SectionName(path);
    bool exists = false;
    if (section)
        Store::Instance().Read(
            [&](const Document& document) { exists = KeyOrRootExists(document, *section); });
    return exists ? std::optional(RegistryKey(std::u16string(path))) : std::nullopt;
}

std::optional<std::u16string> RegistryKey::ReadString(std::u16string_view name) const {
    return GetString(m_Path, name);
}

std::optional<uint32_t> RegistryKey::ReadDword(std::u16string_view name) const {
    return GetDword(m_Path, name);
}

std::optional<std::u16string> RegistryKey::GetString(std::u16string_view path,
                                                     std::u16string_view name) {
    return ReadTyped(path, name, ValueKind::String, &Value::text, &registry::HexDataAsString);
}

std::optional<uint32_t> RegistryKey::GetDword(std::u16string_view path, std::u16string_view name) {
    return ReadTyped(path, name, ValueKind::Dword, &Value::dword, &registry::HexDataAsDword);
}

bool RegistryKey::WriteString(std::u16string_view name, std::u16string_view value) {
    return WriteValue(m_Path, name, Value::String(std::u16string(value)));
}

bool RegistryKey::WriteDword(std::u16string_view name, uint32_t value) {
    return WriteValue(m_Path, name, Value::Dword(value));
}

bool RegistryKey::DeleteValue(std::u16string_view name) {
    const auto section = SectionName(m_Path);
    const auto valueName = NameText(name);
    if (!section || !valueName)
        return false;
    bool found = false;
    const bool written = Store::Instance().Modify([&](Document& document) {
        Key* key = registry::FindKey(document, *section);
        found = key && registry::DeleteValue(*key, *valueName);
        return found;
    });
    return found && written;
}

bool RegistryKey::DeleteAllValues() {
    const auto section = SectionName(m_Path);
    if (!section)
        return false;
    return Store::Instance().Modify([&](Document& document) {
        Key* key = registry::FindKey(document, *section);
        if (!key || key->values.empty())
            return false;
        key->values.clear();
        return true;
    });
}

}  // namespace platform
