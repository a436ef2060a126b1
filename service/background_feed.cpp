#include "service/background_feed.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace norvel::service {
namespace {

using Buffer = std::unique_ptr<char[]>;

// The least of a buffer handed to a thread that waits for bytes.
constexpr size_t kSmallestHand = 64 << 10;

// Buffers given back by threads that ended, so that a block does not fault in fresh
// memory for its buffers.
class CBufferCache {
public:
    static CBufferCache& Instance() {
        static CBufferCache cache;
        return cache;
    }
    Buffer Take() {
        {
            std::lock_guard lock(m_Lock);
            if (!m_Kept.empty()) {
                Buffer buffer = std::move(m_Kept.back());
                m_Kept.pop_back();
                return buffer;
            }
        }
        return std::make_unique_for_overwrite<char[]>(CBackgroundFeed::kBufferSize);
    }
    void Give(Buffer buffer) {
        std::lock_guard lock(m_Lock);
        if (buffer && m_Kept.size() < kMostKept)
            m_Kept.push_back(std::move(buffer));
    }

private:
    static constexpr size_t kMostKept = 8 * CBackgroundFeed::kBuffers;
    std::mutex m_Lock;
    std::vector<Buffer> m_Kept;  // guarded by m_Lock
};

}  // namespace

struct CBackgroundFeed::Shared {
    struct Filled {
        Buffer buffer;
        size_t length = 0;
    };

    explicit Shared(Sink sink) : sink(std::move(sink)) {}
    void Run();
    void Hand(size_t length);
    // The feeding thread's steps: start the thread (or let a released one that is still
    // at work go on), tell it to end after what it has, and wait until it ended.
    void Start();
    void Stop();
    void Join();

    const Sink sink;
    // The feeding thread's own:
    Buffer filling;  // the buffer Feed() copies into
    size_t filled = 0;
    bool stopped = false;  // the thread was told to end
    std::thread thread;

    std::mutex lock;
    std::condition_variable changed;
    std::vector<Buffer> free;         // guarded by lock
    std::deque<Filled> waiting;       // in order; guarded by lock
    bool ended = false;               // no more bytes come; guarded by lock
    bool running = false;             // the thread takes what is handed; guarded by lock
    std::atomic<bool> hungry{false};  // the thread waits for bytes
};

void CBackgroundFeed::Shared::Run() {
    std::unique_lock guard(lock);
    for (;;) {
        if (waiting.empty())
            hungry.store(true, std::memory_order_relaxed);
        changed.wait(guard, [&] { return ended || !waiting.empty(); });
        hungry.store(false, std::memory_order_relaxed);
        if (waiting.empty())
            break;
        Filled next = std::move(waiting.front());
        waiting.pop_front();
        guard.unlock();
        sink(next.buffer.get(), next.length);
        guard.lock();
        free.push_back(std::move(next.buffer));
        changed.notify_all();
    }
    running = false;
    // A released feed may wait long for its next bytes: its buffers go back now.
    for (Buffer& buffer : free)
        CBufferCache::Instance().Give(std::move(buffer));
    free.clear();
}

void CBackgroundFeed::Shared::Hand(size_t length) {
    std::lock_guard guard(lock);
    waiting.push_back({std::move(filling), length});
    filled = 0;
    changed.notify_all();
}

void CBackgroundFeed::Shared::Start() {
    {
        std::lock_guard guard(lock);
        if (thread.joinable() && running) {
            ended = false;  // released, but still at work: it goes on with the new bytes
            stopped = false;
            return;
        }
    }
    if (thread.joinable())
        Join();
    {
        std::lock_guard guard(lock);
        for (size_t i = 0; i < kBuffers; ++i)
            free.push_back(CBufferCache::Instance().Take());
        ended = false;
        running = true;
    }
    stopped = false;
    thread = std::thread([this] { Run(); });
}

void CBackgroundFeed::Shared::Stop() {
    if (filled > 0)
        Hand(filled);
    std::lock_guard guard(lock);
    if (filling)
        free.push_back(std::move(filling));
    ended = true;
    stopped = true;
    changed.notify_all();
}

// The thread gave its buffers back as it ended.
void CBackgroundFeed::Shared::Join() {
    thread.join();
    stopped = false;
}

CBackgroundFeed::CBackgroundFeed(Sink sink) : m_Shared(std::make_unique<Shared>(std::move(sink))) {}

CBackgroundFeed::~CBackgroundFeed() {
    Finish();
}

void CBackgroundFeed::Feed(const char* data, size_t length) {
    Shared& shared = *m_Shared;
    if (length == 0)
        return;
    if (shared.stopped || !shared.thread.joinable())
        shared.Start();
    while (length > 0) {
        if (!shared.filling) {
            std::unique_lock guard(shared.lock);
            shared.changed.wait(guard, [&] { return !shared.free.empty(); });
            shared.filling = std::move(shared.free.back());
            shared.free.pop_back();
        }
        const size_t take = std::min(length, kBufferSize - shared.filled);
        std::copy(data, data + take, shared.filling.get() + shared.filled);
        shared.filled += take;
        data += take;
        length -= take;
        // A full buffer goes to the thread, and so does a part of one when the thread has
        // nothing else to do (at the start of a block).
        if (shared.filled == kBufferSize ||
            (shared.filled >= kSmallestHand && shared.hungry.load(std::memory_order_relaxed)))
            shared.Hand(shared.filled);
    }
}

void CBackgroundFeed::Release() {
    Shared& shared = *m_Shared;
    if (shared.thread.joinable() && !shared.stopped)
        shared.Stop();
}

void CBackgroundFeed::Finish() {
    Shared& shared = *m_Shared;
    if (!shared.thread.joinable())
        return;
    if (!shared.stopped)
        shared.Stop();
    shared.Join();
}

}  // namespace norvel::service
