#pragma once

// The system's own JSON library. Every server reply is parsed with it and the few JSON
// texts the system sends are built with it.
//
// - Every scalar (string, number, true, false, null, any bare token) is kept as text.
// - Object members are kept, and written, in ascending byte order of their names.
// - Misuse and malformed input are reported by throwing one of the exceptions of
//   "json/exceptions.h"; nothing is reported through return codes.
// - No locking: a tree belongs to one thread at a time. Parsing never switches the
//   process-wide locale; `\u` escapes become bytes of the ANSI code page (936).
//
// Ownership: an array owns its elements and an object owns its members' values. SetAt and
// SetMember take ownership of the value passed, also when they throw (the value is then
// destroyed); a value they replace is destroyed. A JsonMember never destroys its value.
// The caller of the top-level Parse owns the returned tree.
//
// Reading a reply field:
//   reply->GetMember("errno").GetValue()->GetString()
// A missing name yields a shared empty member whose GetValue() throws
// JsonUnsupportException, so a missing field always surfaces as that exception.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "json/exceptions.h"

namespace Script {

// What a member holds. Only JsonMember records a kind; the value classes report kJsonNone.
enum JsonKind : int {
    kJsonNone = 0,
    kJsonObject = 1,
    kJsonScalar = 2,
    kJsonArray = 3,
};

// Objects and arrays nested deeper than this are rejected with JsonWrongFormatException,
// so that hostile input cannot exhaust the stack of the parsing thread.
constexpr int kMaxJsonDepth = 256;

class JsonMember;

// The parser's cursor. Line and column count from 1; CR and LF each start a new line (a
// CR LF pair counts as two), every other byte adds one column.
class ParseInfo {
public:
    ParseInfo(const char* text, int length) : m_Text(text), m_Length(length) {}
    virtual ~ParseInfo() = default;

    // Steps over spaces, tabs, CRs and LFs; stops at the first other byte or at the end.
    virtual void SkipSpaces();

    const char* m_Text;
    int m_Length;
    int m_Position = 0;
    int m_Line = 1;
    int m_Column = 1;
    int m_Depth = 0;  // objects and arrays open around the cursor
};

// Abstract base of every value and of JsonMember. The order of the virtual operations is
// part of the interface: keep it.
class JsonObject {
public:
    JsonObject() = default;
    virtual ~JsonObject() = default;

    // The JSON text of the value.
    virtual std::string ToString() const = 0;
    // Parses the value that starts at the cursor and leaves the cursor behind it.
    virtual void Parse(ParseInfo& info) = 0;
    // Parses a whole text: buffer[start, length) must hold the value and nothing but
    // blanks after it. Sets `consumed` to length - start and returns it.
    virtual int Parse(const char* buffer, int start, int length, int& consumed);
    // Parses a whole text held in a string; returns the end position.
    virtual int Parse(const std::string& text);
    // The kind field: kJsonNone for values, the kind of its value for a member.
    virtual int GetType() const;
    // Objects only; the base version destroys the value and throws JsonUnsupportException.
    virtual void SetMember(const char* name, JsonObject* value);
    // Objects only; the base versions throw JsonUnsupportException.
    virtual const JsonMember& GetMember(const char* name) const;
    virtual JsonMember& GetMember(const char* name);
    // The scalar's text; empty for everything else.
    virtual std::string GetString() const;

protected:
    JsonObject(const JsonObject&) = default;
    JsonObject& operator=(const JsonObject&) = default;

    int m_Type = kJsonNone;
};

// A scalar: its text, already unescaped. Written back always quoted.
class JsonObjectString : public JsonObject {
public:
    JsonObjectString() = default;
    explicit JsonObjectString(std::string text) : m_Text(std::move(text)) {}
    JsonObjectString(const JsonObjectString&) = default;
    JsonObjectString& operator=(const JsonObjectString&) = default;

    std::string ToString() const override;
    using JsonObject::Parse;
    void Parse(ParseInfo& info) override;
    std::string GetString() const override;

private:
    friend class JsonWriter;
    std::string m_Text;
};

// An ordered list of owned values (never null).
class JsonArray : public JsonObject {
public:
    JsonArray() = default;
    ~JsonArray() override;
    JsonArray(const JsonArray&) = delete;
    JsonArray& operator=(const JsonArray&) = delete;

    std::string ToString() const override;
    using JsonObject::Parse;
    void Parse(ParseInfo& info) override;

    virtual int Size() const;
    // 0 <= index <= Size(): index == Size() appends, a smaller one replaces (and destroys)
    // the element there. A bad index throws JsonInvalidateIndexException, a null value
    // JsonNullPointerException; either way the value is destroyed.
    virtual void SetAt(int index, JsonObject* value);
    // 0 <= index < Size(), else JsonInvalidateIndexException.
    virtual const JsonObject* GetAt(int index) const;
    virtual JsonObject* GetAt(int index);

private:
    friend class JsonWriter;
    std::vector<JsonObject*> m_Elements;
};

// One name and value pair, stored by value inside an object. The name is kept raw, as it
// stood between the quotes of the input (escapes not resolved), and written as stored.
class JsonMember : public JsonObject {
public:
    JsonMember() = default;
    JsonMember(std::string name, JsonObject* value);
    JsonMember(const JsonMember&) = default;
    // Assigning would let a caller overwrite the shared empty member of missing names.
    JsonMember& operator=(const JsonMember&) = delete;

    std::string ToString() const override;
    using JsonObject::Parse;
    // Parses `"name" : value`. Throws JsonUnsupportException on the shared empty member.
    void Parse(ParseInfo& info) override;

    virtual const std::string& GetName() const;
    // Stores the new value (and its kind) and returns the previous one without destroying
    // it. Throws JsonUnsupportException on the shared empty member.
    virtual JsonObject* SetValue(JsonObject* value);

    // The value; JsonUnsupportException when there is none.
    JsonObject* GetValue();
    const JsonObject* GetValue() const;
    // Forward to the array value: JsonNullPointerException when there is no value,
    // JsonUnsupportException when the kind is not kJsonArray.
    JsonObject* GetAt(int index);
    const JsonObject* GetAt(int index) const;
    int Size() const;

private:
    friend class JsonObjectObject;
    friend class JsonWriter;
    JsonArray& ArrayValue() const;
    void RejectSharedEmpty() const;

    std::string m_Name;
    JsonObject* m_Value = nullptr;
};

// An object: members in ascending byte order of their names.
class JsonObjectObject : public JsonObject {
public:
    JsonObjectObject() = default;
    ~JsonObjectObject() override;
    JsonObjectObject(const JsonObjectObject&) = delete;
    JsonObjectObject& operator=(const JsonObjectObject&) = delete;

    std::string ToString() const override;
    using JsonObject::Parse;
    // A repeated name keeps the earlier member and gives it the later value.
    void Parse(ParseInfo& info) override;
    // Null or empty name: JsonInvalidateParamException. An absent name inserts a member
    // (also for a null value); a present one gets the new value and the old one is
    // destroyed; a null value for a present name destroys its value and removes it.
    void SetMember(const char* name, JsonObject* value) override;
    // Null or empty name: JsonInvalidateParamException. An absent name yields the shared
    // empty member (no name, no value, kind kJsonNone).
    const JsonMember& GetMember(const char* name) const override;
    JsonMember& GetMember(const char* name) override;

private:
    friend class JsonWriter;
    void Store(std::string name, JsonObject* value, int kind);

    std::map<std::string, JsonMember, std::less<>> m_Members;
};

// Top-level parse. Returns a new JsonArray or JsonObjectObject (the caller owns it), or
// null when the text is null, the length is not positive or the text holds only blanks.
// The first non-blank byte must be `[` or `{`, else JsonWrongFormatException. Bytes after
// the closing bracket are not examined. Never reads text[length] or beyond.
[[nodiscard]] JsonObject* Parse(const char* text);
[[nodiscard]] JsonObject* Parse(const char* text, int length);

}  // namespace Script
