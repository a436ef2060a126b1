#include "cursor.h"

namespace Script {
namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Moves line and column over text[from, to).
void CountLines(const char* text, int from, int to, int& line, int& column) {
    for (int i = from; i < to; ++i) {
        if (IsLineBreak(text[i])) {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

}  // namespace

void ParseInfo::SkipSpaces() {
    if (!m_Text)
        return;
    for (; m_Position < m_Length; ++m_Position) {
        const char c = m_Text[m_Position];
        if (c == ' ' || c == '\t') {
            ++m_Column;
        } else if (IsLineBreak(c)) {
            ++m_Line;
            m_Column = 1;
        } else {
            break;
        }
    }
}

namespace detail {

void AdvanceTo(ParseInfo& info, int position) {
    if (position > info.m_Length)
        position = info.m_Length;
    if (position <= info.m_Position)
        return;
    CountLines(info.m_Text, info.m_Position, position, info.m_Line, info.m_Column);
    info.m_Position = position;
}

void CheckCursor(const ParseInfo& info, const char* file, int line) {
    if (!info.m_Text)
        throw JsonNullPointerException(file, line);
    if (info.m_Length < 0)
        throw JsonInvalidateParamException(file, line);
    if (info.m_Position < 0 || info.m_Position >= info.m_Length)
        throw JsonInvalidateIndexException(info.m_Position, file, line);
}

void ThrowWrongFormat(const ParseInfo& info, int position, const char* file, int line) {
    int row = info.m_Line;
    int column = info.m_Column;
    if (position > info.m_Length)
        position = info.m_Length;
    if (position > info.m_Position)
        CountLines(info.m_Text, info.m_Position, position, row, column);
    throw JsonWrongFormatException(row, column, file, line);
}

DepthGuard::DepthGuard(ParseInfo& info, const char* file, int line) : m_Info(info) {
    if (info.m_Depth >= kMaxJsonDepth)
        ThrowWrongFormat(info, info.m_Position, file, line);
    ++info.m_Depth;
}

}  // namespace detail
}  // namespace Script
