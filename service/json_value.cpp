#include "service/json_value.h"

#include <climits>

#include "json/json.h"

namespace norvel::service {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// True when a value is left out: a ":" or "," followed by "," "}" or "]", or "[" followed
// by ",". The library reads such a gap as an empty text; a real service refuses the
// request, and so does this one, so that a client writing broken JSON is caught.
bool LeavesValueOut(std::string_view text) {
    bool inString = false;
    char previous = 0;  // the last byte outside strings that is no blank
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;  // the escaped byte cannot end the string
            else if (c == '"')
                inString = false;
            continue;
        }
        if (kBlanks.find(c) != std::string_view::npos)
            continue;
        const bool closes = c == ',' || c == '}' || c == ']';
        if (closes && (previous == ':' || previous == ',' || (previous == '[' && c != ']')))
            return true;
        inString = c == '"';
        previous = c;
    }
    return false;
}

std::unique_ptr<Script::JsonObject> EmptyValueFor(char first) {
    if (first == '{')
        return std::make_unique<Script::JsonObjectObject>();
    if (first == '[')
        return std::make_unique<Script::JsonArray>();
    return nullptr;
}

}  // namespace

std::optional<CJsonValue> CJsonValue::Parse(std::string_view text) {
    const size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || text.size() > INT_MAX || LeavesValueOut(text))
        return std::nullopt;
    std::unique_ptr<Script::JsonObject> value = EmptyValueFor(text[start]);
    if (!value)
        return std::nullopt;
    try {
        // The whole-text parse also refuses anything but blanks after the value.
        int consumed = 0;
        value->Parse(text.data(), static_cast<int>(start), static_cast<int>(text.size()), consumed);
    } catch (const Script::JsonException&) {
        return std::nullopt;
    }
    std::shared_ptr<const Script::JsonObject> root(std::move(value));
    const Script::JsonObject* top = root.get();
    return CJsonValue(std::move(root), top);
}

bool CJsonValue::IsObject() const {
    return dynamic_cast<const Script::JsonObjectObject*>(m_Value);
}

bool CJsonValue::IsArray() const {
    return dynamic_cast<const Script::JsonArray*>(m_Value);
}

std::optional<CJsonValue> CJsonValue::Find(std::string_view name) const {
    if (!IsObject() || name.empty())
        return std::nullopt;
    // A missing name yields the library's shared empty member, which holds no kind.
    const Script::JsonMember& member = m_Value->GetMember(std::string(name).c_str());
    if (member.GetType() == Script::kJsonNone)
        return std::nullopt;
    return CJsonValue(m_Root, member.GetValue());
}

std::string CJsonValue::Text(std::string_view name) const {
    const auto member = Find(name);
    return member ? member->Scalar() : std::string();
}

std::string CJsonValue::Scalar() const {
    return m_Value->GetString();
}

size_t CJsonValue::Size() const {
    const auto* array = dynamic_cast<const Script::JsonArray*>(m_Value);
    return array ? static_cast<size_t>(array->Size()) : 0;
}

CJsonValue CJsonValue::At(size_t index) const {
    const auto& array = dynamic_cast<const Script::JsonArray&>(*m_Value);
    return CJsonValue(m_Root, array.GetAt(static_cast<int>(index)));
}

std::vector<CJsonValue> CJsonValue::Elements() const {
    std::vector<CJsonValue> elements;
    for (size_t i = 0, size = Size(); i < size; ++i)
        elements.push_back(At(i));
    return elements;
}

std::string CJsonValue::ToString() const {
    return m_Value->ToString();
}

}  // namespace norvel::service
