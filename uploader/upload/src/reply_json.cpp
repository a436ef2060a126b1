#include "reply_json.h"

#include <limits>

#include "json/json.h"

namespace upload::detail {

std::unique_ptr<Script::JsonObject> ParseReply(const char* text, size_t length) {
    if (length > static_cast<size_t>(std::numeric_limits<int>::max()))
        throw Script::JsonInvalidateParamException();
    return std::unique_ptr<Script::JsonObject>(Script::Parse(text, static_cast<int>(length)));
}

bool ReadJsonReply(std::string_view text,
                   const std::function<void(const Script::JsonObject&)>& read) {
    try {
        const auto reply = ParseReply(text.data(), text.size());
        if (!reply)
            return false;
        read(*reply);
        return true;
    } catch (...) {
        return false;
    }
}

std::string MemberText(const Script::JsonObject& object, const char* name) {
    return object.GetMember(name).GetValue()->GetString();
}

const Script::JsonObject& MemberValue(const Script::JsonObject& object, const char* name) {
    return *object.GetMember(name).GetValue();
}

int64_t LeadingInt64(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    // Accumulate towards the limit of the sign, so that the lowest value is reachable.
    const int64_t limit =
        negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            if (value < (limit + digit) / 10)
                return limit;
            value = value * 10 - digit;
        } else {
            if (value > (limit - digit) / 10)
                return limit;
            value = value * 10 + digit;
        }
    }
    return value;
}

int32_t LeadingInt(std::string_view text) {
    const int64_t value = LeadingInt64(text);
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace upload::detail
