#pragma once

// The MD5 of each segment of a file, taken from pieces of the file fed in file order by
// their offsets. A piece that does not continue where the last one ended leaves a gap:
// every segment the gap touches gets no digest (an empty string), and digesting resumes
// at the next segment that starts at or after the piece, so a reader that could not hand
// some pieces over costs only the segments it skipped.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/md5.h"

namespace upload {

class CSegmentDigester {
public:
    // A file of `length` bytes in segments of segSize bytes (the last one may be shorter).
    CSegmentDigester(uint64_t length, uint64_t segSize);

    // Digests the piece into its segments and, when `whole` is given, into that digest of
    // the whole file too, in the same pass.
    void Feed(uint64_t offset, const unsigned char* data, size_t length,
              tools::MD5_CTX* whole = nullptr);
    // One digest per segment, in file order; empty for a segment not fed whole and in order.
    std::vector<std::string> Finish();

private:
    const uint64_t m_Length;
    const uint64_t m_SegSize;
    uint64_t m_Next = 0;    // the offset a continuing piece starts at
    bool m_Active = false;  // m_Md5 holds the segment of m_Next from its start
    tools::MD5_CTX m_Md5;
    std::vector<std::string> m_Digests;
};

// The number of segments of segSize bytes a file of `length` bytes has (no empty last one).
inline uint64_t SegmentCount(uint64_t length, uint64_t segSize) {
    return length / segSize + (length % segSize != 0 ? 1 : 0);
}

}  // namespace upload
