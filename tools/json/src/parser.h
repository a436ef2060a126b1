#pragma once

// The steps of the parser that several value classes share (not part of the interface).

#include <memory>
#include <string>

#include "json/json.h"

namespace Script::detail {

// A new, empty value of the class that the byte `first` starts: `{` an object, `[` an
// array, anything else a scalar. `kind` receives its member kind.
std::unique_ptr<JsonObject> CreateValue(char first, int& kind);

// Parses `"name" : value` at the cursor. The name is returned raw; the value is owned by
// the result, so nothing leaks when a later step throws.
std::unique_ptr<JsonObject> ParseMember(ParseInfo& info, std::string& name, int& kind);

// Resolves the escapes of text[start, stop) (see unescape.cpp).
std::string Unescape(const ParseInfo& info, int start, int stop);

}  // namespace Script::detail
