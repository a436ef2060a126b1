#include "launcher/launcher_log.h"

#include <mutex>

#include "platform/kept_object.h"

namespace launcher {
namespace {

std::mutex g_LogLock;
// Made on first use and never destroyed: threads that end late may still log to a stopped
// logger.
CLog* g_Log = nullptr;

}  // namespace

CLog& LauncherLog() {
    std::lock_guard lock(g_LogLock);
    if (!g_Log)
        g_Log = platform::KeptForGood(new CLog(u"norvel-launcher-"));
    return *g_Log;
}

void ReportLauncherFailure(std::u16string_view event, std::u16string_view cause) {
    LauncherLog().Write(L3_KEY, event, false, cause);
}

void StopLauncherLog() {
    CLog* log;
    {
        std::lock_guard lock(g_LogLock);
        log = g_Log;
    }
    if (log)
        log->Stop();  // a run that logged nothing started no writer
}

}  // namespace launcher
