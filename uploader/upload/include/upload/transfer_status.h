#pragma once

// The transfer status of a run: how the content dialogue of one file stands between its
// loops (upload/transfer.h). 0 while all is well; 1 to 3 while a block that timed out is
// sent again (the number of the attempt); kTransferFailed after a failure, or when the
// service moved on to another segment. 4 and above count as failed, so the attempts of a
// resend never do.

#include <cstdint>

namespace upload {

inline constexpr int32_t kTransferFailed = 5;

// The dialogue failed (or left the segment it was sending): 4 and above.
constexpr bool IsTransferFailed(int32_t status) {
    return status >= 4;
}

}  // namespace upload
