// The operations every value shares: the whole-text parses and the defaults of the
// operations that only some classes offer.

#include <climits>

#include "cursor.h"

namespace Script {
namespace {

// Blanks, the value, blanks, and then the cursor must stand exactly at the end.
void ParseWhole(JsonObject& value, ParseInfo& info) {
    info.SkipSpaces();
    value.Parse(info);
    info.SkipSpaces();
    if (!detail::AtEnd(info))
        detail::ThrowWrongFormat(info, info.m_Position);
}

}  // namespace

int JsonObject::Parse(const char* buffer, int start, int length, int& consumed) {
    if (!buffer)
        throw JsonNullPointerException();
    if (length < 0)
        throw JsonInvalidateParamException();
    if (start < 0 || start >= length)
        throw JsonInvalidateIndexException(start);
    ParseInfo info(buffer, length);
    detail::AdvanceTo(info, start);  // counts the lines and columns before the start
    ParseWhole(*this, info);
    consumed = length - start;
    return consumed;
}

int JsonObject::Parse(const std::string& text) {
    if (text.size() > static_cast<size_t>(INT_MAX))
        throw JsonInvalidateParamException();
    ParseInfo info(text.data(), static_cast<int>(text.size()));
    ParseWhole(*this, info);
    return info.m_Position;
}

int JsonObject::GetType() const {
    return m_Type;
}

void JsonObject::SetMember(const char* /*name*/, JsonObject* value) {
    delete value;  // ownership passes with the call, also when it fails
    throw JsonUnsupportException();
}

const JsonMember& JsonObject::GetMember(const char* /*name*/) const {
    throw JsonUnsupportException();
}

JsonMember& JsonObject::GetMember(const char* /*name*/) {
    throw JsonUnsupportException();
}

std::string JsonObject::GetString() const {
    return std::string();
}

}  // namespace Script
