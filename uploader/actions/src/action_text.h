#pragma once

// The texts of the actions: members of a service reply, JSON objects of a request, and
// the conversions of form values.
//
// Reading a member that is missing, or does not have the expected type, throws
// Script::JsonUnsupportException, so that every action turns a malformed reply into its
// failure code the same way (net::CAction::RecordException).

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace Script {
class JsonObject;
}

namespace actions {

// The text of a scalar member.
std::string Scalar(const Script::JsonObject& object, const char* name);
// A member that is an object.
const Script::JsonObject& Child(const Script::JsonObject& object, const char* name);
// True when the object has the member, whatever its type.
bool HasMember(const Script::JsonObject& object, const char* name);

// A JSON object of scalar members as the JSON writer writes it (members sorted by name):
//   { "a" : "1" , "b" : "2" }
std::string JsonObjectText(std::initializer_list<std::pair<const char*, std::string>> members);

// Form values and log texts: ANSI reply text as wide text and back, UTF-8 of wide text.
std::u16string FromAnsi(std::string_view text);
std::string ToAnsi(std::u16string_view text);
std::string ToUtf8(std::u16string_view text);

}  // namespace actions
