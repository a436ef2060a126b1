// Placeholder so that other parts can call the logger while it is being written.
#include "log/log.h"

void CLog::Write(int, std::u16string_view, bool, std::u16string_view, std::u16string_view,
                 std::u16string_view, std::u16string_view) {}
void CLog::WriteNarrow(std::string_view, bool, std::string_view, std::string_view,
                       std::string_view, std::string_view) {}
void CLog::WriteErrorCode(int, int, std::u16string_view, std::u16string_view,
                          std::u16string_view, std::u16string_view) {}

CLog& Log() {
    static CLog log;
    return log;
}

void StopLogging() {}
