#pragma once

// The content of the block expected next, read on a thread of its own while the current
// block goes out and its reply is awaited, so that the file read is not on the path
// between two blocks. The guess is the range that follows the current one, of the same
// length and within the same unit (the file or the segment); the service asks for it
// when the block was taken whole. A block of any other range is read as before.
//
// The bytes are read behind a fixed head room, so that the block's multipart head can be
// put in front of them without moving them. The buffer of a block that was sent is handed
// back and read into next, so that an upload holds two block buffers at most.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "upload/byte_range.h"

namespace platform {
class InputFile;
}

namespace upload::detail {

class CBlockPrefetch {
public:
    static constexpr size_t kHeadRoom = 8192;  // room for the multipart head in front
    static constexpr size_t kTailRoom = 512;   // room for the multipart closing behind

    CBlockPrefetch() = default;
    ~CBlockPrefetch();
    CBlockPrefetch(const CBlockPrefetch&) = delete;
    CBlockPrefetch& operator=(const CBlockPrefetch&) = delete;

    // Starts reading `range` (file offsets) of the file into the spare buffer or a new
    // one; a read still running is waited for and dropped first. The file must outlive
    // the read.
    void Start(const platform::InputFile& file, const ByteRange& range);
    // Waits for the running read to end; the file may go once this returned.
    void Wait();
    // The buffer holding the range's bytes from kHeadRoom on (kTailRoom more bytes
    // after them), when the read that was started was of exactly this range and read it
    // whole, with its size in `capacity`; null otherwise (the buffer is kept as a spare).
    std::unique_ptr<char[]> Take(const ByteRange& range, size_t& capacity);
    // Keeps the buffer of a block that was sent, of `capacity` bytes, for the next read.
    void Recycle(std::unique_ptr<char[]> buffer, size_t capacity);

private:
    void Drop();

    std::thread m_Reader;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Capacity = 0;
    std::unique_ptr<char[]> m_Spare;
    size_t m_SpareCapacity = 0;
    ByteRange m_Range{};
    bool m_Whole = false;  // written by m_Reader, read after it was joined
};

}  // namespace upload::detail
