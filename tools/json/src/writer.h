#pragma once

// The exact bytes of the JSON text that ToString() gives (not part of the interface):
//   object  "{ " members joined by " , " " }"   (empty: "{  }")
//   member  '"' name as stored '"' " : " value, or "null" without value
//   array   "[ " elements joined by " , " " ]"  (empty: "[  ]")
//   scalar  always quoted; TAB, LF, CR, '"', '/' and '\' escaped, every other byte as is
// Everything is appended to one string, so a tree is written in a single pass.

#include <string>

#include "json/json.h"

namespace Script {

class JsonWriter {
public:
    // Appends the text of `value` (of any class) to `out`. The ToString() of each class
    // calls its own Append* below, never Append(), so that a class derived from one of
    // ours without a ToString() of its own is still written once and without recursion.
    static void Append(const JsonObject& value, std::string& out);
    static void AppendScalar(const std::string& text, std::string& out);
    static void AppendMember(const JsonMember& member, std::string& out);
    static void AppendArray(const JsonArray& array, std::string& out);
    static void AppendObject(const JsonObjectObject& object, std::string& out);
};

}  // namespace Script
