#include <string_view>

#include "cursor.h"
#include "member.h"
#include "parser.h"
#include "writer.h"

namespace Script {
namespace {

void CheckName(const char* name, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (!name || !*name)
        throw JsonInvalidateParamException(file, line);
}

}  // namespace

JsonObjectObject::~JsonObjectObject() {
    for (auto& entry : m_Members)
        delete entry.second.m_Value;
}

std::string JsonObjectObject::ToString() const {
    std::string out;
    JsonWriter::AppendObject(*this, out);
    return out;
}

// `{` members separated by commas `}`; a comma before `}` is accepted. Members parsed
// before a fault stay in the object.
void JsonObjectObject::Parse(ParseInfo& info) {
    detail::CheckCursor(info);
    if (detail::Current(info) != '{')
        detail::ThrowWrongFormat(info, info.m_Position);
    detail::DepthGuard depth(info);
    detail::Step(info);
    while (!detail::AtEnd(info)) {
        info.SkipSpaces();
        if (!detail::At(info, '"'))
            break;
        std::string name;
        int kind = kJsonNone;
        std::unique_ptr<JsonObject> value = detail::ParseMember(info, name, kind);
        Store(std::move(name), value.get(), kind);
        value.release();
        info.SkipSpaces();
        if (!detail::At(info, ','))
            break;
        detail::Step(info);
    }
    if (!detail::At(info, '}'))
        detail::ThrowWrongFormat(info, info.m_Position);
    detail::Step(info);
}

// Inserts a member, or gives an existing one the new value (destroying the old one).
// Takes ownership of `value` only when it returns.
void JsonObjectObject::Store(std::string name, JsonObject* value, int kind) {
    auto found = m_Members.find(name);
    if (found == m_Members.end()) {
        JsonMember member(name, nullptr);
        member.m_Value = value;
        member.m_Type = kind;
        m_Members.emplace(std::move(name), std::move(member));
        return;
    }
    JsonMember& member = found->second;
    if (member.m_Value != value)
        delete member.m_Value;
    member.m_Value = value;
    member.m_Type = kind;
}

void JsonObjectObject::SetMember(const char* name, JsonObject* value) {
    std::unique_ptr<JsonObject> owned(value);
    CheckName(name);
    auto found = m_Members.find(std::string_view(name));
    if (found != m_Members.end() && !value) {
        delete found->second.m_Value;
        m_Members.erase(found);
        return;
    }
    Store(name, value, detail::KindOf(value));
    owned.release();
}

const JsonMember& JsonObjectObject::GetMember(const char* name) const {
    CheckName(name);
    const auto found = m_Members.find(std::string_view(name));
    return found == m_Members.end() ? detail::SharedEmptyMember() : found->second;
}

JsonMember& JsonObjectObject::GetMember(const char* name) {
    CheckName(name);
    const auto found = m_Members.find(std::string_view(name));
    return found == m_Members.end() ? detail::SharedEmptyMember() : found->second;
}

}  // namespace Script
