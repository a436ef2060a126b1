#pragma once

// The launcher's own logger. Its files are named "norvel-launcher-..." in the same log
// folder as the library's: two writers never share a file.

#include "log/log.h"

namespace launcher {

CLog& LauncherLog();
// A failure record of the launcher: type L3_KEY, the event and its "DESC=..." cause.
void ReportLauncherFailure(std::u16string_view event, std::u16string_view cause);
// Writes out what is buffered and stops the writer; later records are dropped.
void StopLauncherLog();

}  // namespace launcher
