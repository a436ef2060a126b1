#include "launcher/launcher_log.h"

namespace launcher {

CLog& LauncherLog() {
    // Never destroyed: threads that end late may still log to a stopped logger.
    static CLog* log = new CLog(u"norvel-launcher-");
    return *log;
}

void ReportLauncherFailure(std::u16string_view event, std::u16string_view cause) {
    LauncherLog().Write(L3_KEY, event, false, cause);
}

void StopLauncherLog() { LauncherLog().Stop(); }

}  // namespace launcher
