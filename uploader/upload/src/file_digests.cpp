#include "upload/file_digests.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/input_file.h"
#include "platform/system.h"
#include "tools/md5.h"
#include "upload/digest.h"

namespace upload {
namespace {

constexpr uint64_t kDefaultSegmentSize = 16 << 20;
// The segment thread may keep the reader waiting this long for a buffer; a thread that
// falls further behind (a busy machine) is given up, so that the whole-file digest, which
// every upload needs, never waits for the segment digests, which only some need.
constexpr auto kLongestLag = std::chrono::milliseconds(2);

std::atomic<uint64_t> g_ExpectedSegmentSize{kDefaultSegmentSize};

// Digests consecutive segments of segSize bytes from the bytes fed to it in file order.
class CSegmentDigester {
public:
    explicit CSegmentDigester(uint64_t segSize) : m_SegSize(segSize) {}

    void Feed(const unsigned char* data, size_t length) {
        while (length > 0) {
            const size_t take =
                static_cast<size_t>(std::min<uint64_t>(length, m_SegSize - m_InSegment));
            m_Md5.Update(data, take);
            m_InSegment += take;
            data += take;
            length -= take;
            if (m_InSegment == m_SegSize)
                Close();
        }
    }
    // The digests of all segments, the last (shorter) one included.
    std::vector<std::string> Finish() {
        if (m_InSegment > 0)
            Close();
        return std::move(m_Digests);
    }

private:
    void Close() {
        m_Digests.emplace_back();
        tools::FinalHex(m_Md5, m_Digests.back());
        m_InSegment = 0;
    }

    const uint64_t m_SegSize;
    uint64_t m_InSegment = 0;
    tools::MD5_CTX m_Md5;
    std::vector<std::string> m_Digests;
};

// Two buffers passed between the reading thread and the segment thread: the reader fills
// buffer k % 2 once the segment thread is done with the piece two before it.
class CPieceRelay {
public:
    unsigned char* Buffer(uint64_t piece) { return m_Buffers[piece % 2].get(); }

    // Reader: waits until the buffer of `piece` is free again; false when the segment
    // thread lags too far behind: it is then told to end, and its buffer is free once it
    // has (Join).
    bool AwaitFree(uint64_t piece) {
        std::unique_lock lock(m_Lock);
        if (m_Changed.wait_for(lock, kLongestLag, [&] { return m_Consumed + 2 > piece; }))
            return true;
        m_GivenUp = true;
        m_Changed.notify_all();
        return false;
    }
    bool GivenUp() {
        std::lock_guard lock(m_Lock);
        return m_GivenUp;
    }
    // Reader: the piece holds `length` bytes now.
    void Publish(size_t length) {
        std::lock_guard lock(m_Lock);
        m_Lengths[m_Produced % 2] = length;
        ++m_Produced;
        m_Changed.notify_all();
    }
    // Reader: no more pieces.
    void End() {
        std::lock_guard lock(m_Lock);
        m_Ended = true;
        m_Changed.notify_all();
    }
    // Segment thread: waits for the next piece; false once all were taken or the reader
    // gave the segment digests up.
    bool Take(uint64_t piece, size_t& length) {
        std::unique_lock lock(m_Lock);
        m_Changed.wait(lock, [&] { return m_Produced > piece || m_Ended || m_GivenUp; });
        if (m_Produced <= piece || m_GivenUp)
            return false;
        length = m_Lengths[piece % 2];
        return true;
    }
    // Segment thread: done with the piece.
    void Release() {
        std::lock_guard lock(m_Lock);
        ++m_Consumed;
        m_Changed.notify_all();
    }

private:
    std::unique_ptr<unsigned char[]> m_Buffers[2] = {
        std::make_unique_for_overwrite<unsigned char[]>(kDigestStep),
        std::make_unique_for_overwrite<unsigned char[]>(kDigestStep)};
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    size_t m_Lengths[2] = {0, 0};  // guarded by m_Lock
    uint64_t m_Produced = 0;       // guarded by m_Lock
    uint64_t m_Consumed = 0;       // guarded by m_Lock
    bool m_Ended = false;          // guarded by m_Lock
    bool m_GivenUp = false;        // guarded by m_Lock
};

// Reads the bytes through the relay into the whole-file digest; false on a short read.
// Once the segment thread was given up, the reader goes on alone with the relay's first
// buffer after the thread has ended (join).
bool ReadWhole(const platform::InputFile& file, uint64_t length, CPieceRelay& relay,
               tools::MD5_CTX& md5, std::thread& helper) {
    bool alone = false;
    uint64_t piece = 0;
    for (uint64_t done = 0; done < length; ++piece) {
        if (!alone && !relay.AwaitFree(piece)) {
            helper.join();
            alone = true;
        }
        unsigned char* buffer = relay.Buffer(alone ? 0 : piece);
        const size_t step = static_cast<size_t>(std::min<uint64_t>(kDigestStep, length - done));
        const int64_t got = file.ReadAt(done, buffer, step);
        if (got != static_cast<int64_t>(step))
            return false;
        md5.Update(buffer, step);
        if (!alone)
            relay.Publish(step);
        done += step;
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
    CSegmentDigester segments(segSize);
    std::thread helper([&] {
        // Work ahead of need: only a core that is idle otherwise takes it on.
        platform::RunThisThreadWhenIdle();
        size_t got = 0;
        for (uint64_t piece = 0; relay.Take(piece, got); ++piece) {
            segments.Feed(relay.Buffer(piece), got);
            relay.Release();
        }
    });
    tools::MD5_CTX md5;
    const bool read = ReadWhole(file, length, relay, md5, helper);
    relay.End();
    if (helper.joinable())
        helper.join();
    if (!read)
        return false;
    tools::FinalHex(md5, digests.whole);
    if (!relay.GivenUp()) {
        digests.segSize = segSize;
        digests.segments = segments.Finish();
    }
    return true;
}

bool DigestSegments(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                    std::vector<std::string>& digests) {
    digests.clear();
    if (segSize == 0)
        return false;
    const uint64_t count = length / segSize + (length % segSize != 0 ? 1 : 0);
    std::vector<std::string> found(count);
    // The helper takes the later half; each digest has a slot of its own.
    const uint64_t split = count / 2;
    auto digestRange = [&](uint64_t from, uint64_t to) {
        for (uint64_t i = from; i < to; ++i) {
            const uint64_t start = i * segSize;
            if (!FileRangeMd5(file, start, std::min(segSize, length - start), found[i]))
                return false;
        }
        return true;
    };
    bool laterRead = false;
    std::thread helper([&] { laterRead = digestRange(split, count); });
    const bool earlierRead = digestRange(0, split);
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
