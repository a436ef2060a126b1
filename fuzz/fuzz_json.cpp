// Feeds arbitrary bytes to the JSON top-level parse. Every input must either be
// rejected with one of the library's exceptions or give a tree whose text parses back
// to the same text. Crashes, hangs, reads past the input and leaks are the sanitizers'
// and libFuzzer's to report.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "json/json.h"

namespace {

std::unique_ptr<Script::JsonObject> ParseBytes(const char* data, size_t size) {
    return std::unique_ptr<Script::JsonObject>(Script::Parse(data, static_cast<int>(size)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX)
        return 0;
    std::string written;
    try {
        // libFuzzer hands over a buffer of exactly `size` bytes: no NUL after it.
        auto tree = ParseBytes(reinterpret_cast<const char*>(data), size);
        if (!tree)
            return 0;
        written = tree->ToString();
    } catch (const Script::JsonException&) {
        return 0;
    }
    // What the writer gives must read back, and be written again byte for byte.
    try {
        auto again = ParseBytes(written.data(), written.size());
        if (!again || again->ToString() != written)
            std::abort();
    } catch (const Script::JsonException&) {
        std::abort();
    }
    return 0;
}
