#include "document.h"

#include <algorithm>

namespace platform::registry {
namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

template <class Keys>
auto* FindIn(Keys& keys, std::string_view path) {
    const auto found = std::find_if(keys.begin(), keys.end(), [&](const Key& key) {
        return EqualsIgnoringAsciiCase(key.path, path);
    });
    return found == keys.end() ? nullptr : &*found;
}

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

Key* FindKey(Document& document, std::string_view path) {
    return FindIn(document.keys, path);
}

const Key* FindKey(const Document& document, std::string_view path) {
    return FindIn(document.keys, path);
}

bool KeyExists(const Document& document, std::string_view path) {
    return std::any_of(document.keys.begin(), document.keys.end(), [&](const Key& key) {
        const std::string_view name = key.path;
        return EqualsIgnoringAsciiCase(name.substr(0, path.size()), path) &&
               (name.size() == path.size() || name[path.size()] == '\\');
    });
}

Key& FindOrAddKey(Document& document, std::string_view path) {
    if (Key* key = FindKey(document, path))
        return *key;
    return document.keys.emplace_back(Key{std::string(path), {}});
}

const Value* FindValue(const Key& key, std::string_view name) {
    for (const Value& value : key.values)
        if (EqualsIgnoringAsciiCase(value.name, name))
            return &value;
    return nullptr;
}

bool SetValue(Key& key, Value value) {
    for (Value& old : key.values) {
        if (!EqualsIgnoringAsciiCase(old.name, value.name))
            continue;
        value.name = old.name;
        if (old == value)
            return false;
        old = std::move(value);
        return true;
    }
    key.values.push_back(std::move(value));
    return true;
}

bool DeleteValue(Key& key, std::string_view name) {
    return std::erase_if(key.values, [&](const Value& value) {
               return EqualsIgnoringAsciiCase(value.name, name);
           }) > 0;
}

}  // namespace platform::registry
