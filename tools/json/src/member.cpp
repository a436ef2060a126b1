#include "member.h"

#include <utility>

#include "cursor.h"
#include "parser.h"
#include "writer.h"

namespace Script {
namespace detail {

int KindOf(const JsonObject* value) {
    if (!value)
        return kJsonNone;
    if (dynamic_cast<const JsonObjectObject*>(value))
        return kJsonObject;
    if (dynamic_cast<const JsonArray*>(value))
        return kJsonArray;
    return kJsonScalar;
}

JsonMember& SharedEmptyMember() {
    static JsonMember empty;  // its mutators refuse to change it (RejectSharedEmpty)
    return empty;
}

std::unique_ptr<JsonObject> ParseMember(ParseInfo& info, std::string& name, int& kind) {
    CheckCursor(info);
    const int open = info.m_Position;
    if (Current(info) != '"')
        ThrowWrongFormat(info, open);
    int close = open + 1;
    while (close < info.m_Length && info.m_Text[close] != '"')
        close += info.m_Text[close] == '\\' ? 2 : 1;
    if (close >= info.m_Length)
        ThrowWrongFormat(info, open);
    std::string rawName(info.m_Text + open + 1, info.m_Text + close);

    AdvanceTo(info, close + 1);
    info.SkipSpaces();
    if (!At(info, ':'))
        ThrowWrongFormat(info, info.m_Position);
    Step(info);
    info.SkipSpaces();
    if (AtEnd(info))
        ThrowWrongFormat(info, info.m_Position);

    std::unique_ptr<JsonObject> value = CreateValue(Current(info), kind);
    value->Parse(info);
    name = std::move(rawName);
    return value;
}

}  // namespace detail

JsonMember::JsonMember(std::string name, JsonObject* value)
    : m_Name(std::move(name)), m_Value(value) {
    m_Type = detail::KindOf(value);
}

std::string JsonMember::ToString() const {
    std::string out;
    JsonWriter::AppendMember(*this, out);
    return out;
}

void JsonMember::Parse(ParseInfo& info) {
    RejectSharedEmpty();
    int kind = kJsonNone;
    std::string name;
    std::unique_ptr<JsonObject> value = detail::ParseMember(info, name, kind);
    // A value held before is not destroyed: a member never owns its value.
    m_Name = std::move(name);
    m_Value = value.release();
    m_Type = kind;
}

const std::string& JsonMember::GetName() const {
    return m_Name;
}

JsonObject* JsonMember::SetValue(JsonObject* value) {
    RejectSharedEmpty();
    JsonObject* previous = m_Value;
    m_Value = value;
    m_Type = detail::KindOf(value);
    return previous;
}

JsonObject* JsonMember::GetValue() {
    if (!m_Value)
        throw JsonUnsupportException();
    return m_Value;
}

const JsonObject* JsonMember::GetValue() const {
    if (!m_Value)
        throw JsonUnsupportException();
    return m_Value;
}

// The member holds a pointer: its constness does not reach the value.
JsonArray& JsonMember::ArrayValue() const {
    if (!m_Value)
        throw JsonNullPointerException();
    if (m_Type != kJsonArray)
        throw JsonUnsupportException();
    return static_cast<JsonArray&>(*m_Value);
}

JsonObject* JsonMember::GetAt(int index) {
    return ArrayValue().GetAt(index);
}

const JsonObject* JsonMember::GetAt(int index) const {
    return std::as_const(ArrayValue()).GetAt(index);
}

int JsonMember::Size() const {
    return ArrayValue().Size();
}

void JsonMember::RejectSharedEmpty() const {
    // Every lookup of a missing name returns the same member: storing anything in it
    // would show up in every later missing lookup.
    if (this == &detail::SharedEmptyMember())
        throw JsonUnsupportException();
}

}  // namespace Script
