#include <sys/resource.h>
#include <unistd.h>

#include "platform/system.h"

namespace platform {

bool LowerThisThreadsPriority() {
    // On Linux the nice value of a thread id applies to that thread alone.
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10) == 0;
}

}  // namespace platform
