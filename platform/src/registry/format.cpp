#include <cstdio>

#include "hex_data.h"
#include "platform/text.h"
#include "text_format.h"

namespace platform::registry {
namespace {

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// True when the text cannot stand on a line as it is: a control character (a line break
// would split the value) or an unpaired surrogate (UTF-8 cannot hold it).
bool NeedsHexForm(std::u16string_view text) {
    for (char16_t unit : text)
        if (unit < 0x20 && unit != u'\t')
            return true;
    return Utf8ToWide(WideToUtf8(text)) != text;
}

void AppendData(std::string& out, const Value& value) {
    switch (value.kind) {
        case ValueKind::String:
            if (NeedsHexForm(value.text))
                out += FormatHexString(value.text);
            else
                AppendQuoted(out, WideToUtf8(value.text));
            break;
        case ValueKind::Dword: {
            char number[32];
            std::snprintf(number, sizeof(number), "dword:%08x", static_cast<unsigned>(value.dword));
            out += number;
            break;
        }
        case ValueKind::Other:
            out += value.raw;
            break;
    }
}

}  // namespace

std::string FormatRegistryText(const Document& document) {
    std::string out(kFileHeader);
    out += '\n';
    for (const Key& key : document.keys) {
        out += "\n[";
        out += key.path;
        out += "]\n";
        for (const Value& value : key.values) {
            if (value.name.empty())
                out += '@';
            else
                AppendQuoted(out, value.name);
            out += '=';
            AppendData(out, value);
            out += '\n';
        }
    }
    return out;
}

}  // namespace platform::registry
