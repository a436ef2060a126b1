#pragma once

// JSON as the service reads and writes it. Requests carry small JSON texts (segment
// lists, folder and file entries, link attachments); replies are JSON objects whose
// scalars are all written as quoted text, members in ascending byte order of their
// names, in the spacing the client's own writer uses:
//   { "errno" : "0" , "url" : "http:\/\/127.0.0.1:17890\/s\/abc" }
// Every JSON text of the service goes through this module.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel::service {

// A parsed value: scalars are kept as text (numbers, true, false and null as their literal).
struct JsonValue {
    enum class Kind { Text, Array, Object };
    Kind kind = Kind::Text;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    bool IsObject() const { return kind == Kind::Object; }
    bool IsArray() const { return kind == Kind::Array; }
    // The member of an object; null when absent or when this is no object.
    const JsonValue* Find(std::string_view name) const;
    // The text of a scalar member; empty when absent or not a scalar.
    std::string Text(std::string_view name) const;
};

// Parses one object or array (blanks around it allowed); empty when the text is not
// well-formed JSON of that shape or nests deeper than 32 levels.
std::optional<JsonValue> ParseJson(std::string_view text);

// Builds a reply object.
class CJsonObject {
public:
    CJsonObject& Set(std::string_view name, std::string_view text);
    CJsonObject& Set(std::string_view name, const char* text) { return Set(name, std::string_view(text)); }
    CJsonObject& Set(std::string_view name, int64_t number);
    CJsonObject& Set(std::string_view name, CJsonObject object);
    CJsonObject& Set(std::string_view name, std::vector<CJsonObject> array);
    // An array of scalars.
    CJsonObject& SetTexts(std::string_view name, const std::vector<std::string>& texts);

    std::string ToString() const;
    const JsonValue& Value() const { return m_Value; }

private:
    JsonValue m_Value{JsonValue::Kind::Object, {}, {}, {}};
};

// The JSON text of a value in the reply form above.
std::string WriteJson(const JsonValue& value);

}  // namespace norvel::service
