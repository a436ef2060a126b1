#include "settings_sink.h"

#include <string_view>

#include "log/log.h"
#include "settings/log_sink.h"
#include "tools/guarded.h"

namespace {

// Held while a report is written, so that a logger cannot go away under it.
tools::Guarded<CLog*> g_SinkTarget;

void WriteSettingsReport(std::string_view event, std::string_view cause) {
    g_SinkTarget.With([&](CLog* target) {
        if (target)
            target->WriteNarrow(event, false, cause);
    });
}

}  // namespace

void InstallSettingsSink(CLog* log) {
    g_SinkTarget.With([log](CLog*& target) {
        target = log;
        settings::SetLogSink(&WriteSettingsReport);
    });
}

void RemoveSettingsSink(CLog* log) {
    g_SinkTarget.With([log](CLog*& target) {
        if (target != log)
            return;
        target = nullptr;
        settings::SetLogSink(nullptr);
    });
}
