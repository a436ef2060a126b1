#include "service/json_io.h"

#include <charconv>

namespace norvel::service {
namespace {

constexpr int kMaxDepth = 32;

class CParser {
public:
    explicit CParser(std::string_view text) : m_Text(text) {}

    std::optional<JsonValue> ParseDocument() {
        SkipBlanks();
        if (AtEnd() || (Peek() != '{' && Peek() != '['))
            return std::nullopt;
        JsonValue value;
        if (!ParseValue(value, 0))
            return std::nullopt;
        SkipBlanks();
        if (!AtEnd())
            return std::nullopt;
        return value;
    }

private:
    bool AtEnd() const { return m_Pos >= m_Text.size(); }
    char Peek() const { return m_Text[m_Pos]; }
    void SkipBlanks() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            ++m_Pos;
    }
    bool Expect(char c) {
        SkipBlanks();
        if (AtEnd() || Peek() != c)
            return false;
        ++m_Pos;
        return true;
    }

    bool ParseValue(JsonValue& out, int depth) {
        if (depth > kMaxDepth)
            return false;
        SkipBlanks();
        if (AtEnd())
            return false;
        if (Peek() == '{')
            return ParseObject(out, depth);
        if (Peek() == '[')
            return ParseArray(out, depth);
        out.kind = JsonValue::Kind::Text;
        return Peek() == '"' ? ParseQuoted(out.text) : ParseBare(out.text);
    }

    bool ParseObject(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Object;
        ++m_Pos;
        SkipBlanks();
        if (!AtEnd() && Peek() == '}') {
            ++m_Pos;
            return true;
        }
        for (;;) {
            SkipBlanks();
            std::string name;
            if (AtEnd() || Peek() != '"' || !ParseQuoted(name) || !Expect(':'))
                return false;
            JsonValue member;
            if (!ParseValue(member, depth + 1))
                return false;
            out.members.insert_or_assign(std::move(name), std::move(member));
            SkipBlanks();
            if (AtEnd())
                return false;
            if (Peek() == '}') {
                ++m_Pos;
                return true;
            }
            if (Peek() != ',')
                return false;
            ++m_Pos;
        }
    }

    bool ParseArray(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Array;
        ++m_Pos;
        SkipBlanks();
        if (!AtEnd() && Peek() == ']') {
            ++m_Pos;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!ParseValue(item, depth + 1))
                return false;
            out.items.push_back(std::move(item));
            SkipBlanks();
            if (AtEnd())
                return false;
            if (Peek() == ']') {
                ++m_Pos;
                return true;
            }
            if (Peek() != ',')
                return false;
            ++m_Pos;
        }
    }

    bool ParseBare(std::string& out) {
        const size_t start = m_Pos;
        while (!AtEnd() && Peek() != ',' && Peek() != '}' && Peek() != ']' && Peek() != ' ' &&
               Peek() != '\t' && Peek() != '\r' && Peek() != '\n' && Peek() != '"')
            ++m_Pos;
        out.assign(m_Text.substr(start, m_Pos - start));
        return !out.empty();
    }

    static void AppendUtf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool ParseUnicodeEscape(std::string& out) {
        if (m_Text.size() - m_Pos < 4)
            return false;
        uint32_t cp = 0;
        const char* digits = m_Text.data() + m_Pos;
        const auto [end, ec] = std::from_chars(digits, digits + 4, cp, 16);
        if (ec != std::errc() || end != digits + 4)
            return false;
        m_Pos += 4;
        AppendUtf8(out, cp);
        return true;
    }

    bool ParseQuoted(std::string& out) {
        ++m_Pos;
        while (!AtEnd()) {
            const char c = m_Text[m_Pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd())
                return false;
            const char e = m_Text[m_Pos++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u':
                    if (!ParseUnicodeEscape(out))
                        return false;
                    break;
                default: return false;
            }
        }
        return false;
    }

    std::string_view m_Text;
    size_t m_Pos = 0;
};

void WriteQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '/': out += "\\/"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    out += '"';
}

void Write(std::string& out, const JsonValue& value) {
    switch (value.kind) {
        case JsonValue::Kind::Text:
            WriteQuoted(out, value.text);
            return;
        case JsonValue::Kind::Array: {
            out += "[ ";
            bool first = true;
            for (const JsonValue& item : value.items) {
                out += first ? "" : " , ";
                first = false;
                Write(out, item);
            }
            out += " ]";
            return;
        }
        case JsonValue::Kind::Object: {
            out += "{ ";
            bool first = true;
            for (const auto& [name, member] : value.members) {
                out += first ? "" : " , ";
                first = false;
                out += '"' + name + "\" : ";
                Write(out, member);
            }
            out += " }";
            return;
        }
    }
}

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
    if (kind != Kind::Object)
        return nullptr;
    const auto it = members.find(std::string(name));
    return it == members.end() ? nullptr : &it->second;
}

std::string JsonValue::Text(std::string_view name) const {
    const JsonValue* member = Find(name);
    return member && member->kind == Kind::Text ? member->text : std::string();
}

std::optional<JsonValue> ParseJson(std::string_view text) { return CParser(text).ParseDocument(); }

std::string WriteJson(const JsonValue& value) {
    std::string out;
    Write(out, value);
    return out;
}

CJsonObject& CJsonObject::Set(std::string_view name, std::string_view text) {
    m_Value.members.insert_or_assign(std::string(name), JsonValue{JsonValue::Kind::Text, std::string(text), {}, {}});
    return *this;
}

CJsonObject& CJsonObject::Set(std::string_view name, int64_t number) {
    return Set(name, std::string_view(std::to_string(number)));
}

CJsonObject& CJsonObject::Set(std::string_view name, CJsonObject object) {
    m_Value.members.insert_or_assign(std::string(name), std::move(object.m_Value));
    return *this;
}

CJsonObject& CJsonObject::Set(std::string_view name, std::vector<CJsonObject> array) {
    JsonValue value{JsonValue::Kind::Array, {}, {}, {}};
    for (CJsonObject& item : array)
        value.items.push_back(std::move(item.m_Value));
    m_Value.members.insert_or_assign(std::string(name), std::move(value));
    return *this;
}

CJsonObject& CJsonObject::SetTexts(std::string_view name, const std::vector<std::string>& texts) {
    JsonValue value{JsonValue::Kind::Array, {}, {}, {}};
    for (const std::string& text : texts)
        value.items.push_back(JsonValue{JsonValue::Kind::Text, text, {}, {}});
    m_Value.members.insert_or_assign(std::string(name), std::move(value));
    return *this;
}

std::string CJsonObject::ToString() const { return WriteJson(m_Value); }

}  // namespace norvel::service
