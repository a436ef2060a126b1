#pragma once

// One buffered log record. Its five texts share one string, so that building a record
// costs a single allocation on the caller's thread.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct LogRecord {
    enum Text { kEvent, kCause, kData1, kData2, kData3, kTextCount };

    int64_t time = 0;     // seconds since 1970 at creation; the writer prints it
    int type = 0;         // one of LogType (others print as "UNKOWN")
    uint32_t number = 0;  // running count of this event with this outcome, from 1
    bool ok = false;
    std::u16string texts;                        // the five texts one after another
    std::array<uint32_t, kTextCount> ends = {};  // where each text ends in `texts`

    std::u16string_view Get(Text which) const {
        const uint32_t begin = which == kEvent ? 0 : ends[which - 1];
        return std::u16string_view(texts).substr(begin, ends[which] - begin);
    }
};

// A record stamped with the given time; its number is given when it is buffered.
LogRecord MakeLogRecord(int64_t time, int type, bool ok,
                        const std::array<std::u16string_view, LogRecord::kTextCount>& texts);
