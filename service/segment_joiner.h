#pragma once

// Joins the segments of segmented uploads into the whole file while the upload goes on.
// When a segment is stored, a background thread appends the session's stored segments, in
// file order and as far as they go, to the file being assembled and adds them to the
// whole-file digest. When the last segment arrives, the request that completes the file
// takes the join over and only adds what is left, so the whole-file check does not wait
// for a second read of the whole file.

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

struct CJoinPart {
    std::string fileId;  // the segment's content
    uint64_t size = 0;

    bool operator==(const CJoinPart&) const = default;
};

// A whole file being assembled from its segments.
struct CJoin {
    std::vector<CJoinPart> parts;  // every segment of the file, in order
    size_t joined = 0;             // parts appended so far
    std::string tempPath;
    CFileWriter writer;
    CMd5Stream md5;
    bool failed = false;

    // Appends the next part from its stored content; false (and failed) when it cannot.
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
    // working on it; a fresh join (temp file open, nothing appended) when there is none or
    // it was made for other parts. Null when no temp file can be made.
    std::unique_ptr<CJoin> Take(int64_t session, const std::vector<CJoinPart>& parts);

    // Joins kept at most; beyond that the oldest is dropped with its temp file.
    static constexpr size_t kMostJoins = 16;

private:
    struct Slot {
        std::unique_ptr<CJoin> join;  // null while the thread works on it
        uint64_t age = 0;
        bool queued = false;
    };
    void Run();
    std::unique_ptr<CJoin> NewJoin(std::vector<CJoinPart> parts) const;
    void Discard(std::unique_ptr<CJoin> join) const;
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
