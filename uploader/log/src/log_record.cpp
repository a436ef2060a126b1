#include "log_record.h"

#include <limits>
#include <stdexcept>

LogRecord MakeLogRecord(int64_t time, int type, bool ok,
                        const std::array<std::u16string_view, LogRecord::kTextCount>& texts) {
    LogRecord record;
    record.time = time;
    record.type = type;
    record.ok = ok;
    size_t total = 0;
    for (std::u16string_view text : texts)
        total += text.size();
    if (total > std::numeric_limits<uint32_t>::max())
        throw std::length_error("log record texts too long");  // dropped by the caller
    record.texts.reserve(total);
    for (size_t i = 0; i < texts.size(); ++i) {
        record.texts.append(texts[i]);
        record.ends[i] = static_cast<uint32_t>(record.texts.size());
    }
    return record;
}
