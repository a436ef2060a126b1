#pragma once

// The JSON texts that requests carry (segment lists, folder and file entries, link
// attachments and attributes), read with the system's JSON library. A CJsonValue is a
// view into a parsed tree whose ownership it shares: views copy cheaply and stay valid
// on their own. Scalars are text: numbers, true, false and null as they were written.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Script {
class JsonObject;
}

namespace norvel::service {

class CJsonValue {
public:
    // One object or array with nothing but blanks around it. Empty when the text is
    // anything else, is malformed, leaves a value out ({"a":}, [1,]) or nests deeper than
    // the library allows.
    static std::optional<CJsonValue> Parse(std::string_view text);

    bool IsObject() const;
    bool IsArray() const;
    // The member of an object; empty when it is absent or this is no object.
    std::optional<CJsonValue> Find(std::string_view name) const;
    // The text of a scalar member; empty when it is absent or no scalar.
    std::string Text(std::string_view name) const;
    // The text of this value when it is a scalar; empty otherwise.
    std::string Scalar() const;
    // The number of elements of an array; 0 for other values.
    size_t Size() const;
    // Element `index` of an array (index < Size()).
    CJsonValue At(size_t index) const;
    // The elements of an array in order; none for other values.
    std::vector<CJsonValue> Elements() const;
    // The value as JSON text, in the form the service's replies are written.
    std::string ToString() const;

private:
    CJsonValue(std::shared_ptr<const Script::JsonObject> root, const Script::JsonObject* value)
        : m_Root(std::move(root)), m_Value(value) {}

    std::shared_ptr<const Script::JsonObject> m_Root;  // keeps the whole tree alive
    const Script::JsonObject* m_Value;                 // never null
};

}  // namespace norvel::service
