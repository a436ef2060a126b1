#pragma once

// Reading the JSON replies of the service. Every member is read as text; a missing
// member or a reply that is no JSON object throws (a Script exception). ReadJsonReply is
// where the engine catches that: the readers of the replies run inside it and their
// callers see a reply that could not be read as false.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace Script {
class JsonObject;
}

namespace upload::detail {

// The parsed reply; throws when the text is no JSON object or array, null when it is
// empty.
std::unique_ptr<Script::JsonObject> ParseReply(const char* text, size_t length);

// Parses the reply and hands it to `read`. False when the text is empty, is no JSON object
// or array, or `read` threw (a member it needs is missing, or is not what it reads).
bool ReadJsonReply(std::string_view text,
                   const std::function<void(const Script::JsonObject&)>& read);

// The text of a member; throws when it is missing.
std::string MemberText(const Script::JsonObject& object, const char* name);
// The member as an object or array; throws when it is missing.
const Script::JsonObject& MemberValue(const Script::JsonObject& object, const char* name);

// A decimal number as the C runtime's atoi and _atoi64 read one: blanks, a sign, then
// the leading digits (saturating at the type's limits); 0 when there are none.
int32_t LeadingInt(std::string_view text);
int64_t LeadingInt64(std::string_view text);

}  // namespace upload::detail
