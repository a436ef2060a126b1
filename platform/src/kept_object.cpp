#include "platform/kept_object.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

void MarkKeptForGood(const void* object) {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#else
    (void)object;
#endif
}

}  // namespace platform
