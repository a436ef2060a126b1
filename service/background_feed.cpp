#include "service/background_feed.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace norvel::service {
namespace {

using Buffer = std::unique_ptr<char[]>;

// Buffers given back by finished feeds, so that a block does not fault in fresh memory
// for its buffers.
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
        if (m_Kept.size() < kMostKept)
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

    const Sink sink;
    Buffer filling;  // the buffer Feed() copies into; the feeding thread's own
    size_t filled = 0;
    std::thread thread;

    std::mutex lock;
    std::condition_variable changed;
    std::vector<Buffer> free;    // guarded by lock
    std::deque<Filled> waiting;  // in order; guarded by lock
    bool ended = false;          // guarded by lock
};

void CBackgroundFeed::Shared::Run() {
    std::unique_lock guard(lock);
    for (;;) {
        changed.wait(guard, [&] { return ended || !waiting.empty(); });
        if (waiting.empty())
            return;
        Filled next = std::move(waiting.front());
        waiting.pop_front();
        guard.unlock();
        sink(next.buffer.get(), next.length);
        guard.lock();
        free.push_back(std::move(next.buffer));
        changed.notify_all();
    }
}

void CBackgroundFeed::Shared::Hand(size_t length) {
    std::lock_guard guard(lock);
    waiting.push_back({std::move(filling), length});
    filled = 0;
    changed.notify_all();
}

CBackgroundFeed::CBackgroundFeed(Sink sink) : m_Shared(std::make_unique<Shared>(std::move(sink))) {
    for (size_t i = 0; i < kBuffers; ++i)
        m_Shared->free.push_back(CBufferCache::Instance().Take());
    Shared* shared = m_Shared.get();
    m_Shared->thread = std::thread([shared] { shared->Run(); });
}

CBackgroundFeed::~CBackgroundFeed() {
    Finish();
}

void CBackgroundFeed::Feed(const char* data, size_t length) {
    Shared& shared = *m_Shared;
    while (length > 0 && shared.thread.joinable()) {
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
        if (shared.filled == kBufferSize)
            shared.Hand(kBufferSize);
    }
}

void CBackgroundFeed::Finish() {
    Shared& shared = *m_Shared;
    if (!shared.thread.joinable())
        return;
    if (shared.filled > 0)
        shared.Hand(shared.filled);
    {
        std::lock_guard guard(shared.lock);
        shared.ended = true;
        shared.changed.notify_all();
    }
    shared.thread.join();
    if (shared.filling)
        shared.free.push_back(std::move(shared.filling));
    for (Buffer& buffer : shared.free)
        CBufferCache::Instance().Give(std::move(buffer));
    shared.free.clear();
}

}  // namespace norvel::service
