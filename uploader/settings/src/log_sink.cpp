#include "settings/log_sink.h"

#include <atomic>

namespace settings {
namespace {
std::atomic<LogSink> g_Sink{nullptr};
}

void SetLogSink(LogSink sink) {
    g_Sink.store(sink);
}

void ReportFailure(std::string_view event, std::string_view cause) {
    if (LogSink sink = g_Sink.load())
        sink(event, cause);
}

}  // namespace settings
