#include <optional>

#include "hex_data.h"
#include "platform/text.h"
#include "text_format.h"

namespace platform::registry {
namespace {

constexpr std::string_view kOldFileHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Line {
    std::string_view text;    // without its line break
    size_t number = 0;        // 1-based
    bool terminated = false;  // a line break followed; else the file may have been cut here
};

class LineReader {
public:
    explicit LineReader(std::string_view text) : m_Rest(text) {}

    bool Next(Line& line) {
        if (m_Rest.empty())
            return false;
        const size_t end = m_Rest.find('\n');
        line.terminated = end != std::string_view::npos;
        line.text = m_Rest.substr(0, end);
        m_Rest.remove_prefix(line.terminated ? end + 1 : m_Rest.size());
        if (line.text.ends_with('\r'))
            line.text.remove_suffix(1);
        line.number = ++m_Number;
        return true;
    }

private:
    std::string_view m_Rest;
    size_t m_Number = 0;
};

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// What a line of this format can hold: valid UTF-8 without control characters other
// than tabs. Anything else is damage (binary junk, a broken encoding).
bool IsReadableText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return false;
    return WideToUtf8(Utf8ToWide(text)) == text;
}

// Reads a quoted text ("..." with \\ and \" escaped) at the start of `rest` and moves
// past it; empty when the closing quote is missing.
std::optional<std::string> TakeQuoted(std::string_view& rest) {
    if (rest.empty() || rest.front() != '"')
        return std::nullopt;
    std::string text;
    for (size_t i = 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return text;
        }
        if (c == '\\' && i + 1 < rest.size() && (rest[i + 1] == '\\' || rest[i + 1] == '"'))
            c = rest[++i];
        text.push_back(c);
    }
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(std::string_view text) : m_Reader(text) {}
    ParseResult Run();

private:
    void ParseLine(const Line& line);
    bool ParseSection(std::string_view text);
    bool ParseValue(const Line& line);
    std::optional<Value> ParseData(std::string_view data, const Line& line);
    std::optional<Value> ParseOtherData(std::string_view data, const Line& line);
    void Damage(size_t lineNumber);

    LineReader m_Reader;
    ParseResult m_Result;
    std::optional<size_t> m_Key;  // the current section's key; none after a damaged section
    size_t m_LastDamaged = 0;
};

ParseResult Parser::Run() {
    Line line;
    bool first = true;
    while (m_Reader.Next(line)) {
        const std::string_view text = Trim(line.text);
        if (text.empty())
            continue;
        if (first) {
            first = false;
            if (text == kFileHeader || text == kOldFileHeader)
                continue;
            Damage(line.number);  // no header: still read what follows
        }
        ParseLine(line);
    }
    return std::move(m_Result);
}

void Parser::ParseLine(const Line& line) {
    const std::string_view text = TrimLeft(line.text);
    if (!IsReadableText(text)) {
        if (text.starts_with('['))
            m_Key.reset();
        Damage(line.number);
    } else if (text.starts_with(';')) {
        // a comment
    } else if (text.starts_with('[')) {
        if (!ParseSection(text)) {
            m_Key.reset();
            Damage(line.number);
        }
    } else if (!ParseValue(line)) {
        Damage(line.number);
    }
}

bool Parser::ParseSection(std::string_view text) {
    const size_t close = text.rfind(']');
    if (close == std::string_view::npos || close < 2 || !Trim(text.substr(close + 1)).empty())
        return false;
    Document& document = m_Result.document;
    const Key& key = FindOrAddKey(document, text.substr(1, close - 1));
    m_Key = static_cast<size_t>(&key - document.keys.data());
    return true;
}

bool Parser::ParseValue(const Line& line) {
    std::string_view rest = TrimLeft(line.text);
    std::string name;
    if (rest.starts_with('@')) {
        rest.remove_prefix(1);
    } else if (auto quoted = TakeQuoted(rest)) {
        name = std::move(*quoted);
    } else {
        return false;
    }
    rest = TrimLeft(rest);
    if (!rest.starts_with('='))
        return false;
    auto value = ParseData(Trim(rest.substr(1)), line);
    if (!value || !m_Key)
        return false;
    value->name = std::move(name);
    SetValue(m_Result.document.keys[*m_Key], std::move(*value));
    return true;
}

std::optional<Value> Parser::ParseData(std::string_view data, const Line& line) {
    if (data.starts_with('"')) {
        auto text = TakeQuoted(data);
        if (!text || !Trim(data).empty())
            return std::nullopt;
        return Value::String(Utf8ToWide(*text));
    }
    if (EqualsIgnoringAsciiCase(data.substr(0, 6), "dword:")) {
        // A last line cut short may have lost digits: there only all eight count.
        const auto number = ParseHexNumber(Trim(data.substr(6)), line.terminated ? 1 : 8, 8);
        if (!number)
            return std::nullopt;
        return Value::Dword(*number);
    }
    return ParseOtherData(data, line);
}

// Data of another type, kept as written; it may go on over lines that end in "\".
std::optional<Value> Parser::ParseOtherData(std::string_view data, const Line& line) {
    std::string raw(data);
    bool terminated = line.terminated;
    bool readable = true;
    Line next;
    while (raw.ends_with('\\') && terminated && m_Reader.Next(next)) {
        readable = readable && IsReadableText(next.text);
        raw += '\n';
        raw += next.text;
        terminated = next.terminated;
    }
    // An unterminated last line may be cut anywhere, and hex data cannot tell.
    if (!readable || !terminated || (raw != "-" && !ParseHexData(raw)))
        return std::nullopt;
    return Value::Other(std::move(raw));
}

void Parser::Damage(size_t lineNumber) {
    if (lineNumber == m_LastDamaged)
        return;
    m_LastDamaged = lineNumber;
    ++m_Result.damagedLines;
    if (m_Result.firstDamagedLine == 0)
        m_Result.firstDamagedLine = lineNumber;
}

}  // namespace

ParseResult ParseRegistryText(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    return Parser(bytes).Run();
}

}  // namespace platform::registry
