#pragma once

// The settings store reports missing values through the logger, which itself reads its
// level and folder from the settings. To keep the two libraries free of a cycle, the
// logger installs this sink when it starts; until then the reports are dropped.

#include <string_view>

namespace settings {

// event and cause are 8-bit texts in the ANSI code page.
using LogSink = void (*)(std::string_view event, std::string_view cause);
void SetLogSink(LogSink sink);

// Sends a failure record through the installed sink, if any.
void ReportFailure(std::string_view event, std::string_view cause);

}  // namespace settings
