#pragma once

// The exceptions of the JSON library. Every one carries the source file and line where
// it was raised; thrown by value, caught by reference (usually as JsonException&).
//
// The file and line default to the place where the exception object is constructed, so a
// plain `throw JsonUnsupportException();` records its own line. Helpers that throw on
// behalf of a caller take the caller's file and line the same way and pass them on.

namespace Script {

class JsonException {
public:
    explicit JsonException(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : m_File(file), m_Line(line) {}
    virtual ~JsonException() = default;

    virtual const char* GetFile() const { return m_File; }
    virtual int GetLine() const { return m_Line; }

private:
    const char* m_File;  // static storage: a string literal of the compiler
    int m_Line;
};

// A parse with no text; a member accessor on a member without value.
class JsonNullPointerException : public JsonException {
public:
    explicit JsonNullPointerException(const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE())
        : JsonException(file, line) {}
};

// A parse cursor with negative length; a null or empty member name.
class JsonInvalidateParamException : public JsonException {
public:
    explicit JsonInvalidateParamException(const char* file = __builtin_FILE(),
                                          int line = __builtin_LINE())
        : JsonException(file, line) {}
};

// A cursor outside the text; an array index out of range.
class JsonInvalidateIndexException : public JsonException {
public:
    explicit JsonInvalidateIndexException(int index, const char* file = __builtin_FILE(),
                                          int line = __builtin_LINE())
        : JsonException(file, line), m_Index(index) {}

    // The bad index or cursor position.
    int GetIndex() const { return m_Index; }

private:
    int m_Index;
};

// An operation that the value's class does not offer; a member without value asked for
// its value (which is how a missing reply field surfaces).
class JsonUnsupportException : public JsonException {
public:
    explicit JsonUnsupportException(const char* file = __builtin_FILE(),
                                    int line = __builtin_LINE())
        : JsonException(file, line) {}
};

// Malformed input. Row and column (both from 1) locate the offending byte: CR and LF each
// start a new row, every other byte is one column.
class JsonWrongFormatException : public JsonException {
public:
    JsonWrongFormatException(int row, int column, const char* file = __builtin_FILE(),
                             int line = __builtin_LINE())
        : JsonException(file, line), m_Row(row), m_Column(column) {}

    int GetRow() const { return m_Row; }
    int GetColumn() const { return m_Column; }

private:
    int m_Row;
    int m_Column;
};

// Declared for callers to catch; this library raises none of them.
class JsonOverflowException : public JsonException {
public:
    explicit JsonOverflowException(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : JsonException(file, line) {}
};

class JsonUnimplementException : public JsonException {
public:
    explicit JsonUnimplementException(const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE())
        : JsonException(file, line) {}
};

class JsonMemberNotFoundException : public JsonException {
public:
    explicit JsonMemberNotFoundException(const char* file = __builtin_FILE(),
                                         int line = __builtin_LINE())
        : JsonException(file, line) {}
};

}  // namespace Script
