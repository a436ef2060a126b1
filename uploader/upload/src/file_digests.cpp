#include "upload/file_digests.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/input_file.h"
#include "platform/system.h"
#include "tools/md5.h"
#include "upload/digest.h"
#include "upload/segment_digester.h"

namespace upload {
namespace {

constexpr uint64_t kDefaultSegmentSize = 16 << 20;
// The reader waits for a free buffer of the segment thread at most a twentieth of the time
// it has spent on the file (and a few milliseconds at the start); beyond that it reads on
// alone, and the segments whose pieces the thread did not get are digested when the
// segment list needs them. So the whole-file digest, which every upload needs, is never
// slowed much by the segment digests, which only some need, and a hiccup of the segment
// thread costs a segment or two, not a second pass over the file.
constexpr auto kLeastLag = std::chrono::milliseconds(5);
constexpr int kLagShare = 20;

std::atomic<uint64_t> g_ExpectedSegmentSize{kDefaultSegmentSize};

// Buffers passed between the reading thread and the segment thread, and the pieces of the
// file in them that wait for the segment thread, in file order. Four half-steps rather
// than two steps: the same memory, more room for the segment thread's wake-ups.
class CPieceRelay {
public:
    static constexpr int kSlots = 4;
    static constexpr size_t kPiece = kDigestStep / 2;
    struct Piece {
        uint64_t offset = 0;
        size_t length = 0;
        int slot = 0;
    };

    unsigned char* Buffer(int slot) { return m_Memory.get() + size_t(slot) * kPiece; }

    // Reader: a buffer the segment thread does not hold, waiting for one while the wait
    // allowed so far lasts; -1 when none is free.
    int TakeFree() {
        std::unique_lock lock(m_Lock);
        const auto free = [&] {
            return std::find(m_Free, m_Free + kSlots, true) != m_Free + kSlots;
        };
        const auto now = std::chrono::steady_clock::now();
        const auto allowed = kLeastLag + (now - m_Start) / kLagShare;
        if (!free() && m_Waited < allowed) {
            m_Changed.wait_for(lock, allowed - m_Waited, free);
            m_Waited += std::chrono::steady_clock::now() - now;
        }
        if (!free())
            return -1;
        const int slot = static_cast<int>(std::find(m_Free, m_Free + kSlots, true) - m_Free);
        m_Free[slot] = false;
        return slot;
    }
    // Reader: the slot holds `length` bytes of the file from `offset` now.
    void Publish(int slot, uint64_t offset, size_t length) {
        std::lock_guard lock(m_Lock);
        m_Ready.push_back(Piece{offset, length, slot});
        m_Changed.notify_all();
    }
    // Reader: no more pieces.
    void End() {
        std::lock_guard lock(m_Lock);
        m_Ended = true;
        m_Changed.notify_all();
    }
    // Segment thread: waits for the next piece; false once all were taken.
    bool Take(Piece& piece) {
        std::unique_lock lock(m_Lock);
        m_Changed.wait(lock, [&] { return !m_Ready.empty() || m_Ended; });
        if (m_Ready.empty())
            return false;
        piece = m_Ready.front();
        m_Ready.pop_front();
        return true;
    }
    // The slot is free again: the segment thread is done with its piece, or the reader
    // took it and could not fill it.
    void Release(int slot) {
        std::lock_guard lock(m_Lock);
        m_Free[slot] = true;
        m_Changed.notify_all();
    }

private:
    std::unique_ptr<unsigned char[]> m_Memory =
        std::make_unique_for_overwrite<unsigned char[]>(kSlots * kPiece);
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    bool m_Free[kSlots] = {true, true, true, true};  // guarded by m_Lock
    std::deque<Piece> m_Ready;                       // guarded by m_Lock
    const std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration m_Waited{};  // guarded by m_Lock
    bool m_Ended = false;                            // guarded by m_Lock
};

// Reads the bytes into the whole-file digest, handing each piece to the segment thread
// through the relay when it has a free buffer, else reading it into a buffer of its own;
// false on a short read.
bool ReadWhole(const platform::InputFile& file, uint64_t length, CPieceRelay& relay,
               tools::MD5_CTX& md5) {
    constexpr size_t kPiece = CPieceRelay::kPiece;
    std::unique_ptr<unsigned char[]> own;
    for (uint64_t done = 0; done < length;) {
        const int slot = relay.TakeFree();
        if (slot < 0 && !own)
            own = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
        unsigned char* buffer = slot >= 0 ? relay.Buffer(slot) : own.get();
        const size_t step = static_cast<size_t>(std::min<uint64_t>(kPiece, length - done));
        if (file.ReadAt(done, buffer, step) != static_cast<int64_t>(step)) {
            if (slot >= 0)
                relay.Release(slot);
            return false;
        }
        md5.Update(buffer, step);
        if (slot >= 0)
            relay.Publish(slot, done, step);
        done += step;
    }
    return true;
}

// Digests the segments listed, in file order, into their slots of `found`.
bool DigestListed(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                  const std::vector<uint64_t>& indexes, std::vector<std::string>& found) {
    for (const uint64_t i : indexes) {
        const uint64_t start = i * segSize;
        if (!FileRangeMd5(file, start, std::min(segSize, length - start), found[i]))
            return false;
    }
    return true;
}

}  // namespace

bool DigestFile(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                FileDigests& digests) {
    digests = FileDigests{};
    if (segSize == 0)
        return FileRangeMd5(file, 0, length, digests.whole);
    if (segSize >= length) {
        if (!FileRangeMd5(file, 0, length, digests.whole))
            return false;
        digests.segSize = segSize;
        digests.segments.assign(1, digests.whole);
        return true;
    }
    CPieceRelay relay;
    CSegmentDigester segments(length, segSize);
    std::thread helper([&] {
        // Work ahead of need: at full speed on an idle core, little of a busy machine.
        platform::LowerThisThreadsPriority();
        CPieceRelay::Piece piece;
        while (relay.Take(piece)) {
            segments.Feed(piece.offset, relay.Buffer(piece.slot), piece.length);
            relay.Release(piece.slot);
        }
    });
    tools::MD5_CTX md5;
    const bool read = ReadWhole(file, length, relay, md5);
    relay.End();
    helper.join();
    if (!read)
        return false;
    tools::FinalHex(md5, digests.whole);
    digests.segSize = segSize;
    digests.segments = segments.Finish();
    return true;
}

bool DigestSegments(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                    std::vector<std::string>& digests) {
    if (segSize == 0) {
        digests.clear();
        return false;
    }
    const uint64_t count = SegmentCount(length, segSize);
    std::vector<std::string> found = std::move(digests);
    digests.clear();
    if (found.size() != count)
        found.assign(count, std::string());
    std::vector<uint64_t> missing;
    for (uint64_t i = 0; i < count; ++i)
        if (found[i].empty())
            missing.push_back(i);
    // A helper thread takes the later half of the missing ones; each digest has a slot of
    // its own.
    const auto split = missing.begin() + static_cast<std::ptrdiff_t>((missing.size() + 1) / 2);
    const std::vector<uint64_t> earlier(missing.begin(), split), later(split, missing.end());
    bool laterRead = true;
    std::thread helper;
    if (!later.empty())
        helper =
            std::thread([&] { laterRead = DigestListed(file, length, segSize, later, found); });
    const bool earlierRead = DigestListed(file, length, segSize, earlier, found);
    if (helper.joinable())
        helper.join();
    if (!earlierRead || !laterRead)
        return false;
    digests = std::move(found);
    return true;
}

uint64_t ExpectedSegmentSize() {
    return g_ExpectedSegmentSize.load();
}

void RememberSegmentSize(uint64_t segSize) {
    if (segSize > 0)
        g_ExpectedSegmentSize.store(segSize);
}

}  // namespace upload
