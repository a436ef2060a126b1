#pragma once

// Helpers shared by the JSON suites.

#include <cstring>
#include <memory>
#include <string>

#include "json/json.h"

namespace json_test {

// Parses `text` through the top-level parse from a heap buffer of exactly its size (no
// NUL after it), so that AddressSanitizer reports any read past the end.
inline std::unique_ptr<Script::JsonObject> ParseExact(const std::string& text) {
    std::unique_ptr<char[]> buffer(new char[text.size()]);
    std::memcpy(buffer.get(), text.data(), text.size());
    return std::unique_ptr<Script::JsonObject>(
        Script::Parse(buffer.get(), static_cast<int>(text.size())));
}

// A scalar that counts the live instances of its class, to observe ownership.
class CountedString : public Script::JsonObjectString {
public:
    explicit CountedString(std::string text = "x") : JsonObjectString(std::move(text)) { ++s_Live; }
    ~CountedString() override { --s_Live; }
    static inline int s_Live = 0;
};

}  // namespace json_test
