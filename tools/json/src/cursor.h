#pragma once

// Cursor helpers shared by the parsers of the library (not part of its interface).
// Every read of the text goes through a check against m_Length first: the text need not
// end with a NUL.

#include "json/json.h"

namespace Script::detail {

inline bool AtEnd(const ParseInfo& info) {
    return info.m_Position >= info.m_Length;
}

// The byte at the cursor; only when !AtEnd(info).
inline char Current(const ParseInfo& info) {
    return info.m_Text[info.m_Position];
}

// True when the cursor stands on `c` (false at the end).
inline bool At(const ParseInfo& info, char c) {
    return !AtEnd(info) && Current(info) == c;
}

// Moves the cursor forward to `position`, keeping line and column.
void AdvanceTo(ParseInfo& info, int position);

inline void Step(ParseInfo& info) {
    AdvanceTo(info, info.m_Position + 1);
}

// The guards at the start of every Parse(ParseInfo&): no text, negative length, cursor
// outside the text.
void CheckCursor(const ParseInfo& info, const char* file = __builtin_FILE(),
                 int line = __builtin_LINE());

// Throws JsonWrongFormatException with the line and column of `position` (at or after
// the cursor; the cursor itself when it is before it).
[[noreturn]] void ThrowWrongFormat(const ParseInfo& info, int position,
                                   const char* file = __builtin_FILE(),
                                   int line = __builtin_LINE());

// Counts one more open object or array for the lifetime of the guard; past
// kMaxJsonDepth it throws JsonWrongFormatException at the cursor.
class DepthGuard {
public:
    explicit DepthGuard(ParseInfo& info, const char* file = __builtin_FILE(),
                        int line = __builtin_LINE());
    ~DepthGuard() { --m_Info.m_Depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    ParseInfo& m_Info;
};

}  // namespace Script::detail
