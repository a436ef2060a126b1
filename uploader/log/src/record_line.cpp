#include "record_line.h"

#include <charconv>

#include "log/log.h"
#include "platform/text.h"

namespace {

void AppendField(std::u16string_view label, std::u16string_view text, std::u16string& out) {
    if (text.empty())
        return;
    out += label;
    AppendEscaped(text, out);
    out += u']';
}

bool IsAscii(std::u16string_view text) {
    for (char16_t unit : text) {
        if (unit >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

void AppendEscaped(std::u16string_view text, std::u16string& out) {
    for (char16_t unit : text) {
        switch (unit) {
            case u'\0':
                out += u"\\0";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'[':
                out += u"\\(";
                break;
            case u']':
                out += u"\\)";
                break;
            default:
                out += unit;
        }
    }
}

void AppendDecimal(int64_t value, std::u16string& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    out.append(digits, end);
}

void AppendRecordLine(const LogRecord& record, std::u16string_view timeText, std::u16string& out) {
    out += u'[';
    out += timeText;
    out += u"][";
    out += LogTypeName(record.type);
    out += record.ok ? u"][sn=" : u"][fn=";
    AppendDecimal(record.number, out);
    out += record.ok ? u"][RESULT: TRUE][" : u"][RESULT: FALSE][";
    out += record.Get(LogRecord::kEvent);  // event names are the code's own: never escaped
    out += u']';
    AppendField(u"[CAUSE: ", record.Get(LogRecord::kCause), out);
    AppendField(u"[DATA1: ", record.Get(LogRecord::kData1), out);
    AppendField(u"[DATA2: ", record.Get(LogRecord::kData2), out);
    AppendField(u"[DATA3: ", record.Get(LogRecord::kData3), out);
    out += u"\r\n";
}

void AppendAnsi(std::u16string_view text, std::string& out) {
    // Nearly every line is ASCII, which every ANSI code page holds as it is.
    if (IsAscii(text))
        out.append(text.begin(), text.end());
    else
        out += platform::WideToAnsi(text);
}
