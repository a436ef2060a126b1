#pragma once

// The digests an upload needs before it sends content, taken in one read of the file: the
// whole-file MD5 (the file id) and, ahead of the service asking, the MD5 of each segment
// of the size the service is expected to name. Both digests of a piece are taken in one
// pass (tools::MD5_CTX::UpdateBoth), which costs little more than the whole-file digest
// alone, on the reading thread: no core but the reader's is used.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class InputFile;
}

namespace upload {

struct FileDigests {
    std::string whole;                  // MD5 of the first `length` bytes
    uint64_t segSize = 0;               // the segment size `segments` are for; 0: none taken
    std::vector<std::string> segments;  // MD5 of each segment, in file order; empty: not taken
};

// Digests exactly `length` bytes of the open file from its start, and its segments of
// segSize bytes when segSize is not 0 (a file of one segment has the whole-file digest as
// its only segment digest, whatever the size). False when a read fails or the file holds
// fewer bytes.
bool DigestFile(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                FileDigests& digests);

// Completes the MD5 of each segment of segSize bytes of the first `length` bytes:
// `digests` holds the ones taken already, in file order, with empty strings for the
// missing (or is empty: none taken); the missing ones are read now, shared between this
// thread and a helper thread. False (list empty) as DigestFile.
bool DigestSegments(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                    std::vector<std::string>& digests);

// The segment size to digest ahead: the size a service named last in this process, or
// 16 MiB before one was named.
uint64_t ExpectedSegmentSize();
void RememberSegmentSize(uint64_t segSize);

}  // namespace upload
