#pragma once

// Takes the whole-file digest of segmented uploads while the upload goes on. In the usual
// order (the blocks of a segment arrive in order, the segments before it are joined), the
// request that writes a block adds its bytes to the segment's digest and to the
// whole-file digest in one pass, so nothing is read back. Otherwise, when a segment is
// stored, a background thread reads the session's stored segments, in file order and as
// far as they go, into the whole-file digest. When the last segment arrives, the request
// that completes the file takes the join over and only adds what is left, so the
// whole-file check does not wait for a read of the whole file. Nothing is copied: a file
// that passes is stored as the list of its segments.

#include <atomic>
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
    uint64_t into = 0;             // bytes of parts[joined] added as its blocks arrived
    CMd5Stream md5;
    CMd5Stream atPart;  // md5 as it stood before parts[joined], while into > 0
    bool failed = false;

    // Adds bytes written at offset `into` of parts[joined] to both this digest and the
    // segment's own, in one pass.
    void Feed(CMd5Stream& segment, const char* data, size_t length);
    // The part fed whole passed its own check: it is joined without reading it back.
    void PartChecked();
    // Adds the next part, read from its stored content, to the digest; false (and failed)
    // when it cannot be read whole. Bytes fed to a part that did not complete through its
    // blocks are not known to be the stored ones: the part is read again from its start.
    bool JoinNext(const CContentStore& contents);
};

class CSegmentJoiner {
public:
    explicit CSegmentJoiner(const CContentStore& contents);
    ~CSegmentJoiner();
    CSegmentJoiner(const CSegmentJoiner&) = delete;
    CSegmentJoiner& operator=(const CSegmentJoiner&) = delete;

    // A segment of the session was stored: the background thread goes on with the join.
    // `fed`, when given, is the session's join as the request that completed the segment
    // left it (taken with TakeAt, the segment joined); it becomes the session's join.
    void SegmentStored(int64_t session, std::vector<CJoinPart> parts,
                       std::unique_ptr<CJoin> fed = nullptr);
    // The session's join for a block that writes parts[part] from `offset` on, taken out of
    // the joiner; null unless the join is idle, made for these parts and stands exactly
    // there (a fresh one at the file's start when the session has none). A join that took
    // bytes at or beyond `offset` of that part is dropped: they are being written again.
    // Never waits.
    std::unique_ptr<CJoin> TakeAt(int64_t session, const std::vector<CJoinPart>& parts, size_t part,
                                  uint64_t offset);
    // Puts back a join taken with TakeAt after a block that left its segment incomplete.
    void Keep(int64_t session, std::unique_ptr<CJoin> join);
    // The session's join, taken out of the joiner once the background thread is not
    // working on it; a fresh join (nothing digested) when there is none or it was made for
    // other parts. Never null.
    std::unique_ptr<CJoin> Take(int64_t session, const std::vector<CJoinPart>& parts);
    // Adds every part not yet in the join, read from the stored contents; false when one
    // cannot be read.
    bool JoinRest(CJoin& join);

    // Bytes the joins read back from stored contents so far (all sessions).
    uint64_t BytesReadBack() const { return m_ReadBack.load(); }

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
    void Place(int64_t session, std::unique_ptr<CJoin> join);  // a new slot; m_Lock held
    bool HasWork(const CJoin& join) const;                     // the next part is stored
    bool ReadNext(CJoin& join);

    const CContentStore& m_Contents;
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::map<int64_t, Slot> m_Slots;  // guarded by m_Lock
    std::vector<int64_t> m_Queue;     // sessions with work; guarded by m_Lock
    uint64_t m_Clock = 0;             // guarded by m_Lock
    bool m_Stopping = false;          // guarded by m_Lock
    std::atomic<uint64_t> m_ReadBack{0};
    std::thread m_Thread;
};

}  // namespace norvel::service
