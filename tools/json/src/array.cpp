#include <memory>

#include "cursor.h"
#include "parser.h"
#include "writer.h"

namespace Script {

JsonArray::~JsonArray() {
    for (JsonObject* element : m_Elements)
        delete element;
}

std::string JsonArray::ToString() const {
    std::string out;
    JsonWriter::AppendArray(*this, out);
    return out;
}

// `[` elements separated by commas `]`; a comma before `]` is accepted. Elements parsed
// before a fault stay in the array.
void JsonArray::Parse(ParseInfo& info) {
    detail::CheckCursor(info);
    if (detail::Current(info) != '[')
        detail::ThrowWrongFormat(info, info.m_Position);
    detail::DepthGuard depth(info);
    detail::Step(info);
    while (!detail::AtEnd(info)) {
        info.SkipSpaces();
        if (detail::AtEnd(info) || detail::Current(info) == ']')
            break;
        int kind = kJsonNone;
        std::unique_ptr<JsonObject> element = detail::CreateValue(detail::Current(info), kind);
        element->Parse(info);
        m_Elements.push_back(element.get());
        element.release();
        info.SkipSpaces();
        if (detail::AtEnd(info) || detail::Current(info) == ']')
            break;
        if (detail::Current(info) != ',')
            detail::ThrowWrongFormat(info, info.m_Position);
        detail::Step(info);
    }
    if (!detail::At(info, ']'))
        detail::ThrowWrongFormat(info, info.m_Position);
    detail::Step(info);
}

int JsonArray::Size() const {
    return static_cast<int>(m_Elements.size());
}

void JsonArray::SetAt(int index, JsonObject* value) {
    std::unique_ptr<JsonObject> owned(value);
    if (index < 0 || index > Size())
        throw JsonInvalidateIndexException(index);
    if (!value)
        throw JsonNullPointerException();
    if (index == Size()) {
        m_Elements.push_back(value);
    } else if (m_Elements[index] != value) {  // the same value again is already ours
        delete m_Elements[index];
        m_Elements[index] = value;
    }
    owned.release();
}

const JsonObject* JsonArray::GetAt(int index) const {
    if (index < 0 || index >= Size())
        throw JsonInvalidateIndexException(index);
    return m_Elements[index];
}

JsonObject* JsonArray::GetAt(int index) {
    if (index < 0 || index >= Size())
        throw JsonInvalidateIndexException(index);
    return m_Elements[index];
}

}  // namespace Script
