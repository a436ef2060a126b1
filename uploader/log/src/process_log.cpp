// The one logger of the process.

#include "log/log.h"
#include "platform/kept_object.h"

namespace {

// Stops the logger when the process exits or the library is unloaded, and leaves the
// object itself in place: objects destroyed after this one (at exit, in reverse order of
// construction) may still log, and a stopped logger drops their records safely.
struct ProcessLogger {
    CLog* log;
    ~ProcessLogger() { log->Stop(); }
};

}  // namespace

CLog& Log() {
    static ProcessLogger logger{platform::KeptForGood(new CLog(u"norvel-uploader-"))};
    return *logger.log;
}

void StopLogging() {
    Log().Stop();
}
