#include "net/redaction.h"

#include <array>

namespace net {
namespace {

constexpr std::array<std::string_view, 4> kSecretNames = {"token", "crypt", "secret", "password"};
constexpr std::string_view kHidden = "***";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The length of the secret name that starts at `at`, or 0.
size_t SecretNameAt(std::string_view text, size_t at) {
    for (std::string_view name : kSecretNames) {
        if (text.size() - at < name.size())
            continue;
        size_t i = 0;
        while (i < name.size() && Lower(text[at + i]) == name[i])
            ++i;
        if (i == name.size())
            return name.size();
    }
    return 0;
}

bool StartsFormField(std::string_view text, size_t at) {
    return at == 0 || std::string_view("&?;\r\n \t").find(text[at - 1]) != std::string_view::npos;
}

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && std::string_view(" \t\r\n").find(text[at]) != std::string_view::npos)
        ++at;
    return at;
}

// The end of a JSON value that starts at `at`: past the closing quote of a string (escapes
// honoured), else at the first byte that ends a bare value.
size_t JsonValueEnd(std::string_view text, size_t at) {
    if (at < text.size() && text[at] == '"') {
        for (size_t i = at + 1; i < text.size(); ++i) {
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '"')
                return i + 1;
        }
        return text.size();
    }
    const size_t end = text.find_first_of(",}] \t\r\n", at);
    return end == std::string_view::npos ? text.size() : end;
}

}  // namespace

std::string RedactSecrets(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        // "name": value
        if (text[at] == '"') {
            const size_t nameLength = SecretNameAt(text, at + 1);
            const size_t close = at + 1 + nameLength;
            if (nameLength != 0 && close < text.size() && text[close] == '"') {
                const size_t colon = SkipBlanks(text, close + 1);
                if (colon < text.size() && text[colon] == ':') {
                    const size_t value = SkipBlanks(text, colon + 1);
                    const size_t end = JsonValueEnd(text, value);
                    const bool quoted = value < text.size() && text[value] == '"';
                    out.append(text.substr(at, value - at));
                    out.append(quoted ? "\"***\"" : kHidden);
                    at = end;
                    continue;
                }
            }
        }
        // name=value
        if (StartsFormField(text, at)) {
            const size_t nameLength = SecretNameAt(text, at);
            if (nameLength != 0 && at + nameLength < text.size() && text[at + nameLength] == '=') {
                out.append(text.substr(at, nameLength + 1));
                out.append(kHidden);
                const size_t end = text.find_first_of("&\r\n", at + nameLength + 1);
                at = end == std::string_view::npos ? text.size() : end;
                continue;
            }
        }
        out += text[at++];
    }
    return out;
}

}  // namespace net
