#pragma once

// Upload sessions: what the service holds of a file being uploaded, and the decisions of
// the upload dialogue.
//
//   up_init ──► content held and owned (or proof switched off) ──────► UPSTAT/FIN
//      │    ──► content held, not yet proved by this uploader ─────────► REQTCON range
//      │             up_retcon with the range's MD5 ─► right: FIN; wrong: REQTBLK
//      │    ──► size above the segment threshold ──► REQTSEG segsize
//      │             up_seginfo ──► REQTBLK first missing segment (kdw_fid, range)
//      │                        ──► all segments held: REQTCON on the first segment
//      └──► otherwise ──► REQTBLK from what is held (resume)
//   up_blk ──► REQTBLK next range of the same unit (kdw_fid, kdw_fstat.RSIZE)
//          ──► unit complete and verified ──► next missing segment, or FIN
//
// A session is keyed by (ticket, file MD5, file size); a new up_init for the same file
// continues at what the service holds. Held bytes are never overwritten: a block that
// overlaps them only adds what lies beyond, so a damaged retry cannot spoil them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/content_store.h"
#include "service/http_types.h"
#include "service/tickets.h"
#include "service/upload_params.h"

namespace norvel::service {

class CServiceContext;
class CTransaction;
struct CJoin;

struct CSegment {
    int index = 0;
    std::string fileId;
    uint64_t start = 0;
    uint64_t size = 0;
    uint64_t held = 0;
};

struct CSession {
    int64_t id = 0;
    std::string tstr;
    std::string fileId;
    uint64_t fileSize = 0;
    uint64_t held = 0;     // whole-file mode: bytes held from the start
    uint64_t segSize = 0;  // segment mode when above 0
    std::string proofSeg;  // a content proof asked for: the segment (empty: the file) ...
    std::optional<CByteRange> proof;  // ... and the absolute range
    std::string path;                 // kdw_path once finished
    std::vector<CSegment> segments;

    bool Finished() const { return !path.empty(); }
};

// Loads the session of (ticket, file id, file size) with its segments.
std::optional<CSession> LoadSession(CTransaction& tx, const std::string& tstr,
                                    const std::string& fileId, uint64_t fileSize);
CSession CreateSession(CTransaction& tx, const std::string& tstr, const std::string& fileId,
                       uint64_t fileSize);
void SaveSession(CTransaction& tx, const CSession& session);
void SaveSegments(CTransaction& tx, const CSession& session);
// Saves how much of one segment is held, the only change a block makes to the list.
void SaveSegmentHeld(CTransaction& tx, const CSession& session, size_t index);

// Replies of the dialogue.
CReply FinishedReply(const std::string& path);
CReply BlockRequestReply(const std::string& unitId, const CByteRange& range, uint64_t held);
CReply ProofRequestReply(const std::string& unitId, const CByteRange& range);

// The range of the next block of a unit of `size` bytes of which `held` are there.
CByteRange NextBlock(CServiceContext& ctx, uint64_t held, uint64_t size);

// Whether the content of that MD5 and size is stored.
bool ContentHeld(CServiceContext& ctx, CTransaction& tx, const std::string& md5, uint64_t size);
bool OwnsContent(CTransaction& tx, const std::string& md5, const std::string& owner);
// Records a stored content and that the ticket's owner holds it; returns the kdw_path
// handed to that ticket for it (the same path each time).
std::string RecordContent(CTransaction& tx, const std::string& md5, uint64_t size,
                          const CTicket& ticket);

// The handlers' logic; each runs under the session's lock.
CReply StartUpload(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket);
CReply ProveContent(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket);
CReply AnnounceSegments(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket);

// Verifies the held whole file against its MD5 and stores it: the FIN reply, or a
// refusal (and a fresh start) when the digest does not match. `digest` is the digest
// taken while the bytes arrived, when there is one; else the file is read back.
CReply FinishWholeFile(CServiceContext& ctx, CSession& session, const CTicket& ticket,
                       const std::optional<std::string>& digest = std::nullopt);
// Verifies a held segment against its MD5 and stores it as content; false (and the
// segment starts afresh) when the digest does not match. `digest` as above; `fed` is the
// session's whole-file join when the segment's bytes went into it as they arrived: it is
// kept, the segment joined, when the segment passes, dropped otherwise.
bool FinishSegment(CServiceContext& ctx, CSession& session, size_t index,
                   const std::optional<std::string>& digest = std::nullopt,
                   std::unique_ptr<CJoin> fed = nullptr);
// The session's segments as the parts of the whole file, in order.
std::vector<CContentPart> PartsOf(const CSession& session);
// The first segment still missing bytes, or null.
const CSegment* NextMissingSegment(const CSession& session);

// Verifies the MD5 of the session's segments joined and stores the whole file as the
// list of its segments; the FIN reply, or a refusal when the digest does not match.
CReply AssembleSegments(CServiceContext& ctx, CSession& session, const CTicket& ticket);

}  // namespace norvel::service
