#pragma once

// One block of the block loop: its body built in memory (the multipart head, the range's
// bytes read from the open file, the closing), streamed to "/up/up_blk", and sent again
// (up to three times) when the request timed out.

#include <string>

#include "intake/upload_context.h"

namespace upload::detail {

struct BlockReply {
    int result = 0;    // 0: `body` holds the reply of status 200 to read
    std::string body;
};

// Sends the block of the range (relative to the segment when segId is set), cut by the
// speed cap first. Failures are logged, set the transfer status to 5 and close the file.
BlockReply SendBlock(intake::UploadContext& task, const std::string& segId, const std::string& range);

}  // namespace upload::detail
