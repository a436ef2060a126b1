#pragma once

// The registry file's content in memory: its keys in file order, each with its values in
// the order first written. Names keep the case first written; every lookup ignores ASCII
// case, as Windows does.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::registry {

enum class ValueKind { String, Dword, Other };

struct Value {
    std::string name;  // UTF-8; "" is the key's default value, written "@"
    ValueKind kind = ValueKind::String;
    std::u16string text;  // String: the text
    uint32_t dword = 0;   // Dword: the number
    std::string raw;      // Other: the data exactly as found after "=", kept for writing

    bool operator==(const Value&) const = default;

    static Value String(std::u16string text) {
        Value value;
        value.text = std::move(text);
        return value;
    }
    static Value Dword(uint32_t number) {
        Value value;
        value.kind = ValueKind::Dword;
        value.dword = number;
        return value;
    }
    static Value Other(std::string raw) {
        Value value;
        value.kind = ValueKind::Other;
        value.raw = std::move(raw);
        return value;
    }
};

struct Key {
    std::string path;  // the whole section name: "HKEY_CURRENT_USER\software\Norvel"
    std::vector<Value> values;
};

struct Document {
    std::vector<Key> keys;
};

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

Key* FindKey(Document& document, std::string_view path);
const Key* FindKey(const Document& document, std::string_view path);
// True when the key or one of its sub-keys has a section: parents exist implicitly.
bool KeyExists(const Document& document, std::string_view path);
// The key, appended when missing.
Key& FindOrAddKey(Document& document, std::string_view path);

const Value* FindValue(const Key& key, std::string_view name);
// Stores the value in place of one of the same name (keeping that name's case and place),
// else appends it. False when an equal value was there already.
bool SetValue(Key& key, Value value);
// False when there was no such value.
bool DeleteValue(Key& key, std::string_view name);

}  // namespace platform::registry
