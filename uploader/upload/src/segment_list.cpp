#include <algorithm>
#include <limits>

#include "platform/input_file.h"
#include "reply_json.h"
#include "upload/byte_range.h"
#include "upload/file_digests.h"
#include "upload/segment_digester.h"
#include "upload/transfer.h"

namespace upload {
namespace {

// The digest of each segment of size S, in file order: the ones taken with the file's MD5
// when S was the size expected then (a file of one segment has one digest whatever the
// size), the rest read now. False when a segment cannot be read whole.
bool SegmentDigests(UploadRun& run, uint64_t S, uint64_t count, std::vector<std::string>& digests) {
    const bool taken = run.m_SegDigests.size() == count && (run.m_SegDigestSize == S || count == 1);
    digests.clear();
    if (taken)
        digests = std::move(run.m_SegDigests);
    run.m_SegDigests.clear();
    run.m_SegDigestSize = 0;
    return DigestSegments(*run.m_File, run.m_Task.m_FileSize, S, digests);
}

}  // namespace

bool PushSegList(UploadRun& run, std::string_view segSize) {
    run.m_Segments.clear();
    const int64_t size = detail::LeadingInt64(segSize);
    if (size <= 0 || size > std::numeric_limits<int32_t>::max() || !run.m_File)
        return false;
    run.m_SegSize = static_cast<uint64_t>(size);
    RememberSegmentSize(run.m_SegSize);
    const uint64_t S = run.m_SegSize;
    const uint64_t fileSize = run.m_Task.m_FileSize;
    // Full segments and a shorter last one for the rest; no empty last segment.
    const uint64_t segments = SegmentCount(fileSize, S);
    std::vector<std::string> digests;
    if (segments > kMaxSegments || !SegmentDigests(run, S, segments, digests))
        return false;
    for (uint64_t i = 0; i < segments; ++i) {
        const uint64_t start = i * S;
        const uint64_t length = std::min(S, fileSize - start);
        SegmentEntry entry;
        entry.range = ByteRange{start, start + length - 1}.Text();
        entry.size = static_cast<int32_t>(length);
        entry.fileid = std::move(digests[i]);
        run.m_Segments.push_back(std::move(entry));
    }
    return true;
}

}  // namespace upload
