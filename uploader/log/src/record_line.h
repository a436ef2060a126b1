#pragma once

// The exact text of the log files: one line per record, converted to the ANSI code page.

#include <cstdint>
#include <string>
#include <string_view>

#include "log_record.h"

// Appends the text with NUL, line feed, carriage return, '[' and ']' written as the two
// characters \0, \n, \r, \( and \), so that a record stays one line of bracketed fields.
void AppendEscaped(std::u16string_view text, std::u16string& out);

// Appends the decimal digits of a number.
void AppendDecimal(int64_t value, std::u16string& out);

// Appends one record's line, CR LF included:
//   [time][type][sn=N][RESULT: TRUE][event][CAUSE: ...][DATA1: ...][DATA2: ...][DATA3: ...]
// with "fn=" and "FALSE" for failures, and each of the last four only when not empty.
void AppendRecordLine(const LogRecord& record, std::u16string_view timeText, std::u16string& out);

// Appends wide text converted to the ANSI code page.
void AppendAnsi(std::u16string_view text, std::string& out);
