#include <time.h>

#include "platform/system.h"

namespace platform {

uint64_t MillisecondsSinceBoot() {
    // CLOCK_BOOTTIME keeps counting while the machine sleeps, as the Windows tick count does.
    timespec now{};
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return 0;
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

int64_t UnixTimeNow() {
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return 0;
    return static_cast<int64_t>(now.tv_sec);
}

}  // namespace platform
