#include "writer.h"

#include <typeinfo>

namespace Script {
namespace {

// The escape for a byte that the writer escapes, or 0 for one copied as it is.
char EscapeFor(char c) {
    switch (c) {
        case '\t':
            return 't';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '"':
        case '/':
        case '\\':
            return c;
        default:
            return 0;
    }
}

}  // namespace

void JsonWriter::Append(const JsonObject& value, std::string& out) {
    // The library's own classes are written straight into `out`; a class of a caller's
    // own goes through its ToString().
    const std::type_info& type = typeid(value);
    if (type == typeid(JsonObjectString))
        AppendScalar(static_cast<const JsonObjectString&>(value).m_Text, out);
    else if (type == typeid(JsonObjectObject))
        AppendObject(static_cast<const JsonObjectObject&>(value), out);
    else if (type == typeid(JsonArray))
        AppendArray(static_cast<const JsonArray&>(value), out);
    else if (type == typeid(JsonMember))
        AppendMember(static_cast<const JsonMember&>(value), out);
    else
        out += value.ToString();
}

void JsonWriter::AppendScalar(const std::string& text, std::string& out) {
    out.push_back('"');
    size_t run = 0;  // start of the bytes not yet copied
    for (size_t i = 0; i < text.size(); ++i) {
        const char escape = EscapeFor(text[i]);
        if (!escape)
            continue;
        out.append(text, run, i - run);
        out.push_back('\\');
        out.push_back(escape);
        run = i + 1;
    }
    out.append(text, run, std::string::npos);
    out.push_back('"');
}

void JsonWriter::AppendMember(const JsonMember& member, std::string& out) {
    out.push_back('"');
    out += member.GetName();
    out += "\" : ";
    if (const JsonObject* value = member.m_Value)
        Append(*value, out);
    else
        out += "null";
}

void JsonWriter::AppendArray(const JsonArray& array, std::string& out) {
    out += "[ ";
    const char* separator = "";
    for (const JsonObject* element : array.m_Elements) {
        out += separator;
        Append(*element, out);
        separator = " , ";
    }
    out += " ]";
}

void JsonWriter::AppendObject(const JsonObjectObject& object, std::string& out) {
    out += "{ ";
    const char* separator = "";
    for (const auto& entry : object.m_Members) {
        out += separator;
        AppendMember(entry.second, out);
        separator = " , ";
    }
    out += " }";
}

}  // namespace Script
