// The top-level parse and the choice of a value's class by its first byte.

#include <climits>
#include <cstring>

#include "cursor.h"
#include "parser.h"

namespace Script {

namespace detail {

std::unique_ptr<JsonObject> CreateValue(char first, int& kind) {
    switch (first) {
        case '{':
            kind = kJsonObject;
            return std::make_unique<JsonObjectObject>();
        case '[':
            kind = kJsonArray;
            return std::make_unique<JsonArray>();
        default:
            kind = kJsonScalar;
            return std::make_unique<JsonObjectString>();
    }
}

}  // namespace detail

JsonObject* Parse(const char* text) {
    if (!text)
        return nullptr;
    const size_t length = std::strlen(text);
    if (length > static_cast<size_t>(INT_MAX))
        throw JsonInvalidateParamException();
    return Parse(text, static_cast<int>(length));
}

JsonObject* Parse(const char* text, int length) {
    if (!text || length <= 0)
        return nullptr;
    ParseInfo info(text, length);
    info.SkipSpaces();
    if (detail::AtEnd(info))
        return nullptr;
    const char first = detail::Current(info);
    if (first != '{' && first != '[')
        detail::ThrowWrongFormat(info, info.m_Position);
    int kind = kJsonNone;
    std::unique_ptr<JsonObject> value = detail::CreateValue(first, kind);
    value->Parse(info);
    return value.release();
}

}  // namespace Script
