#pragma once

// Form bodies as the client writes them: fields joined by "&", name and value split at
// the first "=". Most values travel as they are, without URL encoding (tokens, digests,
// JSON texts, user names); a few are URL-encoded (file names, link paths). So values are
// kept raw and each handler decodes the fields that the client encodes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/url_encode.h"

namespace norvel::service {

class CForm {
public:
    // Empty pieces (a doubled or trailing "&") are skipped. Empty when a piece has no "="
    // or an empty name: such a body is malformed.
    static std::optional<CForm> Parse(std::string_view body);

    bool Has(std::string_view name) const;
    // The value of the first field of that name, as received; empty when absent.
    std::string Raw(std::string_view name) const;
    // The value with "%XX" and "+" decoded; empty when absent or badly encoded.
    std::optional<std::string> Decoded(std::string_view name) const;

    const std::vector<std::pair<std::string, std::string>>& Fields() const { return m_Fields; }

private:
    std::vector<std::pair<std::string, std::string>> m_Fields;
};

// "%XX" becomes that byte and "+" a blank; empty when a "%" is not followed by two
// hexadecimal digits.
std::optional<std::string> UrlDecode(std::string_view text);

// Letters and digits kept, blank to "+", every other byte "%XX" (uppercase), except the
// bytes listed in keep, which are copied: the client's own encoding.
using tools::UrlEncode;

// A decimal number without sign or blanks; empty otherwise.
std::optional<uint64_t> ParseDecimal(std::string_view text);
// A decimal number (a leading "-" allowed) within [min, max]; empty otherwise.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max);
// The same, into out (left as it is when the text is not such a number).
bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t& out);

// Lowercase hexadecimal, two digits per byte.
std::string HexEncode(std::string_view bytes);

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(std::string_view text);

}  // namespace norvel::service
