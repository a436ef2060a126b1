#include "action_text.h"

#include "json/json.h"
#include "platform/text.h"

namespace actions {
namespace {

const Script::JsonMember& MemberOfKind(const Script::JsonObject& object, const char* name,
                                       int kind) {
    const Script::JsonMember& member = object.GetMember(name);
    if (member.GetType() != kind || !member.GetValue())
        throw Script::JsonUnsupportException();
    return member;
}

}  // namespace

std::string Scalar(const Script::JsonObject& object, const char* name) {
    return MemberOfKind(object, name, Script::kJsonScalar).GetValue()->GetString();
}

const Script::JsonObject& Child(const Script::JsonObject& object, const char* name) {
    return *MemberOfKind(object, name, Script::kJsonObject).GetValue();
}

bool HasMember(const Script::JsonObject& object, const char* name) {
    return object.GetMember(name).GetType() != Script::kJsonNone;
}

std::string JsonObjectText(std::initializer_list<std::pair<const char*, std::string>> members) {
    Script::JsonObjectObject object;
    for (const auto& [name, value] : members)
        object.SetMember(name, new Script::JsonObjectString(value));
    return object.ToString();
}

std::u16string FromAnsi(std::string_view text) {
    return platform::AnsiToWide(text);
}
std::string ToAnsi(std::u16string_view text) {
    return platform::WideToAnsi(text);
}
std::string ToUtf8(std::u16string_view text) {
    return platform::WideToUtf8(text);
}

}  // namespace actions
