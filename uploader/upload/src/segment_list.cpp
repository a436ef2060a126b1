#include <limits>

#include "platform/input_file.h"
#include "reply_json.h"
#include "upload/byte_range.h"
#include "upload/digest.h"
#include "upload/transfer.h"

namespace upload {

bool PushSegList(intake::UploadContext& task, std::string_view segSize) {
    task.m_Segments.clear();
    const int64_t size = detail::LeadingInt64(segSize);
    if (size <= 0 || size > std::numeric_limits<int32_t>::max() || !task.m_File)
        return false;
    task.m_SegSize = static_cast<uint64_t>(size);
    const uint64_t S = task.m_SegSize;
    // N full segments and one more for the rest; no empty last segment.
    const uint64_t count = task.m_FileSize / S + 1;
    const uint64_t segments = task.m_FileSize / S + (task.m_FileSize % S != 0 ? 1 : 0);
    if (segments > kMaxSegments)
        return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t start = i * S;
        if (start == task.m_FileSize)
            break;
        const bool last = i == count - 1;
        const uint64_t length = last ? task.m_FileSize - (count - 1) * S : S;
        intake::SegmentEntry entry;
        entry.range = ByteRange{start, start + length - 1}.Text();
        entry.size = static_cast<int32_t>(length);
        if (!FileRangeMd5(*task.m_File, start, length, entry.fileid)) {
            task.m_Segments.clear();
            return false;
        }
        task.m_Segments.push_back(std::move(entry));
    }
    return true;
}

}  // namespace upload
