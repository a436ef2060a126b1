#include <pthread.h>
#include <sched.h>

#include "platform/system.h"

namespace platform {

bool RunThisThreadWhenIdle() {
    const sched_param param{};
    return ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &param) == 0;
}

}  // namespace platform
