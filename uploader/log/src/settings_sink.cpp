#include "settings_sink.h"

#include <mutex>
#include <string_view>

#include "log/log.h"
#include "settings/log_sink.h"

namespace {

// Held while a report is written, so that a logger cannot go away under it.
std::mutex g_SinkLock;
CLog* g_SinkTarget = nullptr;  // guarded by g_SinkLock

void WriteSettingsReport(std::string_view event, std::string_view cause) {
    std::lock_guard lock(g_SinkLock);
    if (g_SinkTarget)
        g_SinkTarget->WriteNarrow(event, false, cause);
}

}  // namespace

void InstallSettingsSink(CLog* log) {
    std::lock_guard lock(g_SinkLock);
    g_SinkTarget = log;
    settings::SetLogSink(&WriteSettingsReport);
}

void RemoveSettingsSink(CLog* log) {
    std::lock_guard lock(g_SinkLock);
    if (g_SinkTarget != log)
        return;
    g_SinkTarget = nullptr;
    settings::SetLogSink(nullptr);
}
