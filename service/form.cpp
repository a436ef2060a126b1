#include "service/form.h"

namespace norvel::service {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

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
        form.m_Fields.emplace_back(std::string(piece.substr(0, eq)), std::string(piece.substr(eq + 1)));
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
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace norvel::service
