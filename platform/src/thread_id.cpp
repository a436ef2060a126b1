#include <unistd.h>

#include "platform/system.h"

namespace platform {

int64_t CurrentThreadId() {
    return static_cast<int64_t>(::gettid());
}

}  // namespace platform
