#include "platform/unique_fd.h"

#include <unistd.h>

namespace platform {

void UniqueFd::Close() {
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
}

}  // namespace platform
