#pragma once

// One block of the block loop: its body built in memory (the multipart head, the range's
// bytes read from the open file, the closing), streamed to "/up/up_blk", and sent again
// (up to three times) when the request timed out. While a block goes out and its reply is
// awaited, the block that follows it is read ahead.

#include <string>

#include "upload/upload_run.h"

namespace upload::detail {

class CBlockPrefetch;

struct BlockReply {
    int result = 0;  // 0: `body` holds the reply of status 200 to read
    std::string body;
};

// Sends the block of the range (relative to the segment when segId is set), cut by the
// speed cap first, taking its content from `prefetch` when it was read ahead there, and
// starts reading the following block ahead into it. No read ahead is running when this
// returns. Failures are logged, set the transfer status to 5 and close the file.
BlockReply SendBlock(UploadRun& run, const std::string& segId, const std::string& range,
                     CBlockPrefetch& prefetch);

// UploadBlock with the caller's read ahead, kept from segment to segment.
int UploadBlocks(UploadRun& run, const std::string& segId, const std::string& range,
                 CBlockPrefetch& prefetch);

}  // namespace upload::detail
