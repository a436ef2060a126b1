#include "service/form.h"

#include <cctype>
#include <charconv>

namespace norvel::service {

std::optional<CForm> CForm::Parse(std::string_view body) {
    CForm form;
    size_t pos = 0;
    while (pos <= body.size()) {
        size_t end = body.find('&', pos);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view piece = body.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty())
            continue;
        const size_t eq = piece.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return std::nullopt;
        form.m_Fields.emplace_back(std::string(piece.substr(0, eq)),
                                   std::string(piece.substr(eq + 1)));
    }
    return form;
}

bool CForm::Has(std::string_view name) const {
    for (const auto& field : m_Fields)
        if (field.first == name)
            return true;
    return false;
}

std::string CForm::Raw(std::string_view name) const {
    for (const auto& field : m_Fields)
        if (field.first == name)
            return field.second;
    return {};
}

std::optional<std::string> CForm::Decoded(std::string_view name) const {
    if (!Has(name))
        return std::nullopt;
    return UrlDecode(Raw(name));
}

std::optional<std::string> UrlDecode(std::string_view text) {
    // The decoding is the client's own; a "%" must be followed by two hexadecimal digits.
    for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 3))
        if (at + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[at + 2])))
            return std::nullopt;
    return tools::UrlDecode(text);
}

std::optional<uint64_t> ParseDecimal(std::string_view text) {
    uint64_t value = 0;
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
        return std::nullopt;
    return value;
}

bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t& out) {
    const auto value = ParseInteger(text, min, max);
    if (value)
        out = *value;
    return value.has_value();
}

std::string HexEncode(std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace norvel::service
