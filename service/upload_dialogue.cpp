// The decisions of up_init, up_retcon and up_seginfo, and the final checks of a file.

#include <algorithm>

#include "service/accounts.h"
#include "service/content_reader.h"
#include "service/context.h"
#include "service/digest.h"
#include "service/json_value.h"
#include "service/random.h"
#include "service/upload_session.h"

namespace norvel::service {
namespace {

constexpr uint64_t kProofLength = 4096;  // bytes of a content proof

// A random range inside a unit of `size` bytes.
CByteRange ProofRange(uint64_t size) {
    const uint64_t length = std::min(size, kProofLength);
    const uint64_t start = RandomNumber(0, size - length);
    return CByteRange{start, start + length - 1};
}

CReply SegmentsReply(const CSession& session) {
    return JsonReply(
        CJsonBuilder().Set("kdw_upcmd", "REQTSEG").Set("kdw_segsize", int64_t(session.segSize)));
}

// The segment list the client must send for the session's file and segment size.
std::vector<CSegment> ExpectedSegments(const CSession& session) {
    std::vector<CSegment> segments;
    for (uint64_t start = 0; start < session.fileSize; start += session.segSize)
        segments.push_back(CSegment{int(segments.size()),
                                    {},
                                    start,
                                    std::min(session.segSize, session.fileSize - start),
                                    0});
    return segments;
}

std::optional<std::vector<CSegment>> ReadSegmentList(const CSession& session,
                                                     const std::string& text) {
    const auto list = CJsonValue::Parse(text);
    std::vector<CSegment> segments = ExpectedSegments(session);
    if (!list || !list->IsArray() || list->Size() != segments.size())
        return std::nullopt;
    for (size_t i = 0; i < segments.size(); ++i) {
        const CJsonValue item = list->At(i);
        const auto range = ParseRange(item.Text("range"));
        const CSegment& want = segments[i];
        if (!IsMd5Hex(item.Text("fileid")) || !range || range->start != want.start ||
            range->Length() != want.size)
            return std::nullopt;
        segments[i].fileId = item.Text("fileid");
    }
    return segments;
}

CReply DigestMismatch() {
    return ErrorReply(400, Errno::kRefused, "content digest does not match");
}

// Stores a partial file as content when its first `size` bytes have that MD5; removes it
// otherwise. True when stored.
bool AdoptIfDigestMatches(CServiceContext& ctx, const std::string& partial, const std::string& md5,
                          uint64_t size, const std::optional<std::string>& taken) {
    // A digest taken while the bytes arrived covers exactly the file's `size` bytes.
    const auto digest =
        taken && FileSizeOf(partial) == size ? taken : FileRangeMd5(partial, 0, size);
    if (digest && *digest == md5 && ctx.contents.Adopt(partial, md5))
        return true;
    ctx.contents.Remove(partial);
    return false;
}

// Hands the uploader the content's kdw_path and ends the session with it.
CReply Finish(CTransaction& tx, CSession& session, const CTicket& ticket) {
    session.path = RecordContent(tx, session.fileId, session.fileSize, ticket);
    SaveSession(tx, session);
    tx.Commit();
    return FinishedReply(session.path);
}

}  // namespace

std::vector<CJoinPart> PartsOf(const CSession& session) {
    std::vector<CJoinPart> parts;
    for (const CSegment& segment : session.segments)
        parts.push_back(CJoinPart{segment.fileId, segment.size});
    return parts;
}

const CSegment* NextMissingSegment(const CSession& session) {
    for (const CSegment& segment : session.segments)
        if (segment.held < segment.size)
            return &segment;
    return nullptr;
}

CReply StartUpload(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket) {
    if (params.fileSize == 0)
        return ErrorReply(400, Errno::kBadRequest, "an empty file has no content to upload");
    CTransaction tx(ctx.store);
    if (ticket.uid > 0) {
        const auto account = FindAccountByUid(tx, ticket.uid);
        if (account && params.fileSize > uint64_t(account->maxfs))
            return ErrorReply(400, Errno::kTooLarge,
                              "file larger than the account's single-file limit");
    }
    const auto policy = ProofPolicy(ctx.switches.proof.load());
    auto session = LoadSession(tx, ticket.tstr, params.fileId, params.fileSize);
    if (session && session->Finished() && policy != ProofPolicy::Always)
        return FinishedReply(session->path);
    if (!session)
        session = CreateSession(tx, ticket.tstr, params.fileId, params.fileSize);
    session->proof.reset();
    session->path.clear();
    if (ContentHeld(ctx, tx, params.fileId, params.fileSize)) {
        if (policy == ProofPolicy::Never ||
            (policy == ProofPolicy::Foreign && OwnsContent(tx, params.fileId, ticket.Owner()))) {
            return Finish(tx, *session, ticket);
        }
        session->proofSeg.clear();
        session->proof = ProofRange(params.fileSize);
        SaveSession(tx, *session);
        tx.Commit();
        return ProofRequestReply(params.fileId, *session->proof);
    }
    if (session->segSize == 0 && session->held == 0 &&
        params.fileSize > uint64_t(ctx.switches.segmentThreshold.load()))
        session->segSize = uint64_t(ctx.switches.segmentSize.load());
    SaveSession(tx, *session);
    tx.Commit();
    if (session->segSize > 0)
        return SegmentsReply(*session);
    if (session->held >= session->fileSize)
        return FinishWholeFile(ctx, *session, ticket);
    return BlockRequestReply(params.fileId, NextBlock(ctx, session->held, session->fileSize),
                             session->held);
}

CReply ProveContent(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket) {
    CTransaction tx(ctx.store);
    auto session = LoadSession(tx, ticket.tstr, params.fileId, params.fileSize);
    if (!session)
        return ErrorReply(400, Errno::kNotFound, "no upload of this file was started");
    if (session->Finished())
        return FinishedReply(session->path);
    if (!session->proof)
        return ErrorReply(400, Errno::kRefused, "no content proof was asked for");
    CByteRange absolute = *params.range;
    uint64_t base = 0;
    if (params.HasSegment()) {
        const auto it = std::find_if(session->segments.begin(), session->segments.end(),
                                     [&](const CSegment& s) { return s.fileId == params.segId; });
        base = it == session->segments.end() ? 0 : it->start;
        absolute = CByteRange{absolute.start + base, absolute.end + base};
    }
    const std::string unit = params.HasSegment() ? params.segId : params.fileId;
    const bool asked = params.segId == session->proofSeg &&
                       absolute.start == session->proof->start &&
                       absolute.end == session->proof->end;
    const auto pieces = asked ? ctx.contents.Pieces(unit) : std::nullopt;
    const auto digest =
        pieces ? ContentRangeMd5(*pieces, absolute.start - base, absolute.Length()) : std::nullopt;
    const bool proved = digest && *digest == params.fcon;
    session->proof.reset();
    if (proved && !params.HasSegment()) {
        return Finish(tx, *session, ticket);
    }
    SaveSession(tx, *session);
    tx.Commit();
    if (proved)
        return AssembleSegments(ctx, *session, ticket);
    if (params.HasSegment() || session->segSize > 0)
        return ErrorReply(400, Errno::kRefused, "content proof failed");
    // Not proved: the uploader sends the content after all.
    return BlockRequestReply(params.fileId, NextBlock(ctx, session->held, session->fileSize),
                             session->held);
}

CReply AnnounceSegments(CServiceContext& ctx, const CUploadParams& params, const CTicket& ticket) {
    CTransaction tx(ctx.store);
    auto session = LoadSession(tx, ticket.tstr, params.fileId, params.fileSize);
    if (!session || (session->segSize == 0 && !session->Finished()))
        return ErrorReply(400, Errno::kNotFound, "no segmented upload of this file was started");
    if (session->Finished())
        return FinishedReply(session->path);
    auto segments = ReadSegmentList(*session, params.seglist);
    if (!segments)
        return ErrorReply(400, Errno::kBadRequest,
                          "segment list does not match the file and segment size");
    for (CSegment& segment : *segments) {
        const size_t i = size_t(segment.index);
        if (i < session->segments.size() && session->segments[i].fileId == segment.fileId)
            segment.held = session->segments[i].held;
        if (ContentHeld(ctx, tx, segment.fileId, segment.size))
            segment.held = segment.size;
    }
    session->segments = std::move(*segments);
    session->proof.reset();
    const CSegment* next = NextMissingSegment(*session);
    if (!next) {
        // Everything is here already: the uploader proves it has the first segment.
        const CSegment& first = session->segments.front();
        const CByteRange relative = ProofRange(first.size);
        session->proofSeg = first.fileId;
        session->proof = CByteRange{relative.start + first.start, relative.end + first.start};
        SaveSession(tx, *session);
        SaveSegments(tx, *session);
        tx.Commit();
        return ProofRequestReply(first.fileId, relative);
    }
    SaveSession(tx, *session);
    SaveSegments(tx, *session);
    tx.Commit();
    return BlockRequestReply(next->fileId, NextBlock(ctx, next->held, next->size), next->held);
}

CReply FinishWholeFile(CServiceContext& ctx, CSession& session, const CTicket& ticket,
                       const std::optional<std::string>& digest) {
    const std::string partial = ctx.contents.PartialPath(session.id, -1);
    const bool good = AdoptIfDigestMatches(ctx, partial, session.fileId, session.fileSize, digest);
    CTransaction tx(ctx.store);
    if (!good) {
        session.held = 0;
        SaveSession(tx, session);
        tx.Commit();
        return DigestMismatch();
    }
    return Finish(tx, session, ticket);
}

bool FinishSegment(CServiceContext& ctx, CSession& session, size_t index,
                   const std::optional<std::string>& digest, std::unique_ptr<CJoin> fed) {
    CSegment& segment = session.segments[index];
    const bool good = AdoptIfDigestMatches(ctx, ctx.contents.PartialPath(session.id, segment.index),
                                           segment.fileId, segment.size, digest);
    CTransaction tx(ctx.store);
    if (good) {
        CStatement content(ctx.store,
                           "INSERT OR IGNORE INTO contents(md5, size, created) VALUES(?1, ?2, ?3)");
        content.Bind(1, segment.fileId)
            .Bind(2, int64_t(segment.size))
            .Bind(3, CServiceContext::Now())
            .Run();
        // Segments of equal content are all held now.
        for (CSegment& other : session.segments)
            if (other.fileId == segment.fileId)
                other.held = other.size;
    } else {
        segment.held = 0;
    }
    SaveSegments(tx, session);
    tx.Commit();
    if (!good)
        return false;
    // The join took exactly this segment's bytes, which have just passed: it goes on
    // after the segment without reading it back.
    if (fed && fed->joined == index && fed->into == segment.size)
        fed->PartChecked();
    else
        fed.reset();
    ctx.joiner.SegmentStored(session.id, PartsOf(session), std::move(fed));
    return true;
}

CReply AssembleSegments(CServiceContext& ctx, CSession& session, const CTicket& ticket) {
    // The joiner has usually digested all but the last segments by now. The file is
    // stored as the list of its segments, which stay stored as they are.
    const std::unique_ptr<CJoin> join = ctx.joiner.Take(session.id, PartsOf(session));
    const bool ok = ctx.joiner.JoinRest(*join) && join->md5.FinishHex() == session.fileId &&
                    ctx.contents.AdoptParts(join->parts, session.fileId);
    CTransaction tx(ctx.store);
    if (!ok) {
        session.segments.clear();
        SaveSegments(tx, session);
        tx.Commit();
        return DigestMismatch();
    }
    return Finish(tx, session, ticket);
}

}  // namespace norvel::service
