#pragma once

// Takes the whole-file digest of segmented uploads while the upload goes on. When a
// segment is stored, a background thread reads the session's stored segments, in file
// order and as far as they go, into the whole-file digest. When the last segment arrives,
// the request that completes the file takes the join over and only adds what is left, so
// the whole-file check does not wait for a read of the whole file. Nothing is copied: a
// file that passes is stored as the list of its segments.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/content_store.h"
#include "service/digest.h"

namespace norvel::service {

using CJoinPart = CContentPart;  // a segment's content

// The digest of a whole file being taken over its segments.
struct CJoin {
    std::vector<CJoinPart> parts;  // every segment of the file, in order
    size_t joined = 0;             // parts digested so far
    CMd5Stream md5;
    bool failed = false;

    // Adds the next part, read from its stored content, to the digest; false (and failed)
    // when it cannot be read whole.
    bool JoinNext(const CContentStore& contents);
};

class CSegmentJoiner {
public:
    explicit CSegmentJoiner(const CContentStore& contents);
    ~CSegmentJoiner();
    CSegmentJoiner(const CSegmentJoiner&) = delete;
    CSegmentJoiner& operator=(const CSegmentJoiner&) = delete;

    // A segment of the session was stored: the background thread goes on with the join.
    void SegmentStored(int64_t session, std::vector<CJoinPart> parts);
    // The session's join, taken out of the joiner once the background thread is not
    // working on it; a fresh join (nothing digested) when there is none or it was made for
    // other parts. Never null.
    std::unique_ptr<CJoin> Take(int64_t session, const std::vector<CJoinPart>& parts);

    // Joins kept at most; beyond that the oldest is dropped.
    static constexpr size_t kMostJoins = 16;

private:
    struct Slot {
        std::unique_ptr<CJoin> join;  // null while the thread works on it
        uint64_t age = 0;
        bool queued = false;
    };
    void Run();
    static std::unique_ptr<CJoin> NewJoin(std::vector<CJoinPart> parts);
    void DropOldest();

    const CContentStore& m_Contents;
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::map<int64_t, Slot> m_Slots;  // guarded by m_Lock
    std::vector<int64_t> m_Queue;     // sessions with work; guarded by m_Lock
    uint64_t m_Clock = 0;             // guarded by m_Lock
    bool m_Stopping = false;          // guarded by m_Lock
    std::thread m_Thread;
};

}  // namespace norvel::service
