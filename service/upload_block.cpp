// "/up/up_blk": one block of a file or of a segment, in a multipart body that is read as
// it arrives, written straight into the unit's partial file and added to the unit's
// running digest, so that a complete unit is checked without reading it back. A segment's
// bytes go into the whole file's digest in the same pass when the join stands exactly
// where the block writes. A large block is digested on a thread beside its receipt.

#include <functional>
#include <memory>
#include <mutex>

#include "service/background_feed.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/multipart_reader.h"
#include "service/upload_session.h"

namespace norvel::service {
namespace {

// The largest block body read: the largest block the service asks for (the switch's
// limit, 64 MiB) and room for the multipart head and closing.
constexpr uint64_t kMaxBody = (uint64_t(64) << 20) + (1 << 20);
// Blocks of at least this many new bytes are digested on a thread of their own.
constexpr uint64_t kBackgroundDigestFrom = 1 << 20;

class CBlockReceiver {
public:
    explicit CBlockReceiver(CServiceContext& ctx) : m_Ctx(ctx) {}

    std::optional<uint64_t> OnHead(const CMultipartReader::Fields& fields);
    bool OnData(const char* data, size_t length);
    CReply Finish(bool bodyComplete);
    const std::optional<CReply>& Refusal() const { return m_Refusal; }

private:
    std::optional<uint64_t> Refuse(CReply reply) {
        m_Refusal = std::move(reply);
        return std::nullopt;
    }
    bool SelectUnit();
    void AddToDigests(const char* data, size_t length);

    CServiceContext& m_Ctx;
    std::optional<CReply> m_Refusal;
    CUploadParams m_Params;
    CTicket m_Ticket;
    std::unique_lock<std::mutex> m_Lock;
    CSession m_Session;
    int m_SegIndex = -1;  // the segment written, or -1 for the whole file
    uint64_t m_UnitSize = 0;
    uint64_t m_Held = 0;
    uint64_t m_Position = 0;   // unit offset of the next content byte
    uint64_t m_WriteFrom = 0;  // unit bytes [m_WriteFrom, m_WriteTo) are new and written
    uint64_t m_WriteTo = 0;
    std::string m_Partial;  // the unit's partial file
    CFileWriter m_Writer;
    std::unique_ptr<CMd5Stream> m_Digest;  // of the unit's bytes up to m_Position; may be null
    std::unique_ptr<CJoin> m_Join;         // the whole file's, fed with m_Digest; may be null
    // Digests a large block's bytes on a thread of its own while the request goes on
    // receiving and writing; null for a small block. Finished before the digests are used.
    std::unique_ptr<CBackgroundFeed> m_Feed;
    bool m_WriteFailed = false;
};

bool CBlockReceiver::SelectUnit() {
    if (!m_Params.HasSegment()) {
        m_UnitSize = m_Session.fileSize;
        m_Held = m_Session.held;
        return m_Session.segSize == 0;
    }
    for (const CSegment& segment : m_Session.segments) {
        if (segment.fileId != m_Params.segId)
            continue;
        if (m_SegIndex < 0 || segment.held < segment.size) {
            m_SegIndex = segment.index;
            m_UnitSize = segment.size;
            m_Held = segment.held;
        }
        if (segment.held < segment.size)
            break;
    }
    return m_SegIndex >= 0;
}

std::optional<uint64_t> CBlockReceiver::OnHead(const CMultipartReader::Fields& fields) {
    std::string error;
    auto params = ReadUploadParams(UploadKind::Block, fields, false, error);
    if (!params)
        return Refuse(ErrorReply(400, Errno::kBadRequest, error));
    m_Params = std::move(*params);
    std::optional<CTicket> ticket;
    {
        CTransaction tx(m_Ctx.store);
        ticket = FindTicket(tx, m_Params.tstr);
    }
    if (!ticket)
        return Refuse(ErrorReply(400, Errno::kRefused, "unknown upload ticket"));
    if (UploadKey(m_Params, ticket->secret) != m_Params.key)
        return Refuse(ErrorReply(400, Errno::kRefused, "wrong kdw_key"));
    m_Ticket = *ticket;
    const size_t key = std::hash<std::string>{}(m_Ticket.tstr + "|" + m_Params.fileId + "|" +
                                                std::to_string(m_Params.fileSize));
    m_Lock = std::unique_lock(m_Ctx.SessionLock(key));
    std::optional<CSession> session;
    {
        CTransaction tx(m_Ctx.store);
        session = LoadSession(tx, m_Ticket.tstr, m_Params.fileId, m_Params.fileSize);
    }
    if (!session)
        return Refuse(ErrorReply(400, Errno::kNotFound, "no upload of this file was started"));
    m_Session = std::move(*session);
    const uint64_t length = m_Params.range->Length();
    if (m_Session.Finished())
        return length;  // a late block: its content is not needed
    if (!SelectUnit())
        return Refuse(ErrorReply(400, Errno::kBadRequest, "block names no unit of this upload"));
    // Only bytes beyond what is held and inside the unit are written; a block that starts
    // beyond them leaves a gap and is not used.
    m_Position = m_Params.range->start;
    if (m_Position <= m_Held && m_Held < m_UnitSize) {
        m_WriteFrom = m_Held;
        m_WriteTo = std::min(m_Params.range->end + 1, m_UnitSize);
        m_Partial = m_Ctx.contents.PartialPath(m_Session.id, m_SegIndex);
        if (m_WriteTo > m_WriteFrom && !m_Writer.Open(m_Partial, m_WriteFrom))
            return Refuse(ErrorReply(500, Errno::kBusy, "cannot write the upload"));
        if (m_WriteTo > m_WriteFrom)
            m_Digest = m_Ctx.digests.Take(m_Partial, m_WriteFrom);
        if (m_Digest && m_SegIndex >= 0)
            m_Join = m_Ctx.joiner.TakeAt(m_Session.id, PartsOf(m_Session), size_t(m_SegIndex),
                                         m_WriteFrom);
        if (m_Digest && m_WriteTo - m_WriteFrom >= kBackgroundDigestFrom)
            m_Feed = std::make_unique<CBackgroundFeed>(
                [this](const char* data, size_t length) { AddToDigests(data, length); });
    }
    return length;
}

bool CBlockReceiver::OnData(const char* data, size_t length) {
    const uint64_t begin = std::max(m_Position, m_WriteFrom);
    const uint64_t end = std::min(m_Position + length, m_WriteTo);
    if (begin < end) {
        const char* bytes = data + (begin - m_Position);
        const size_t count = size_t(end - begin);
        if (!m_Writer.Write(bytes, count))
            m_WriteFailed = true;
        if (m_Feed)
            m_Feed->Feed(bytes, count);
        else
            AddToDigests(bytes, count);
    }
    m_Position += length;
    return !m_WriteFailed;
}

// The bytes written go into the unit's digest and, with it in one pass, into the whole
// file's when this block has the join.
void CBlockReceiver::AddToDigests(const char* data, size_t length) {
    if (m_Join)
        m_Join->Feed(*m_Digest, data, length);
    else if (m_Digest)
        m_Digest->Update(data, length);
}

CReply CBlockReceiver::Finish(bool bodyComplete) {
    if (m_Feed)
        m_Feed->Finish();
    const bool wrote = m_WriteTo > m_WriteFrom;
    if (wrote && (!m_Writer.Close() || m_WriteFailed))
        return ErrorReply(500, Errno::kBusy, "cannot write the upload");
    if (!bodyComplete)
        return ErrorReply(400, Errno::kBadRequest, "block body incomplete");
    if (m_Session.Finished())
        return FinishedReply(m_Session.path);
    const uint64_t held = wrote ? m_WriteTo : m_Held;
    const std::string unitId = m_SegIndex < 0 ? m_Session.fileId : m_Params.segId;
    {
        CTransaction tx(m_Ctx.store);
        if (m_SegIndex < 0) {
            m_Session.held = held;
            SaveSession(tx, m_Session);
        } else {
            m_Session.segments[size_t(m_SegIndex)].held = held;
            SaveSegmentHeld(tx, m_Session, size_t(m_SegIndex));
        }
        tx.Commit();
    }
    if (held < m_UnitSize) {
        if (wrote)
            m_Ctx.digests.Keep(m_Partial, held, std::move(m_Digest));
        if (m_Join && m_Join->into == held)
            m_Ctx.joiner.Keep(m_Session.id, std::move(m_Join));
        return BlockRequestReply(unitId, NextBlock(m_Ctx, held, m_UnitSize), held);
    }
    std::optional<std::string> digest;
    if (wrote && m_Digest)
        digest = m_Digest->FinishHex();
    if (m_SegIndex < 0)
        return FinishWholeFile(m_Ctx, m_Session, m_Ticket, digest);
    // A segment completed by an earlier request (another upload of the same file) is
    // stored already; only one that this block completed is checked and stored.
    if (m_Held < m_UnitSize &&
        !FinishSegment(m_Ctx, m_Session, size_t(m_SegIndex), digest, std::move(m_Join)))
        return ErrorReply(400, Errno::kRefused, "segment digest does not match");
    if (const CSegment* next = NextMissingSegment(m_Session))
        return BlockRequestReply(next->fileId, NextBlock(m_Ctx, next->held, next->size),
                                 m_UnitSize);
    return AssembleSegments(m_Ctx, m_Session, m_Ticket);
}

std::optional<std::string> BoundaryOf(const CRequest& req) {
    // The client names the content type twice (form first, multipart second).
    for (const auto& [name, value] : req.headers)
        if (SameHeaderName(name, "Content-Type"))
            if (auto boundary = MultipartBoundary(value))
                return boundary;
    return std::nullopt;
}

}  // namespace

CReply HandleUpBlock(CServiceContext& ctx, const CRequest& req, CBodySource& body) {
    const auto declared = body.DeclaredLength();
    if (declared && *declared > kMaxBody)
        return ErrorReply(413, Errno::kBadRequest, "block body too large");
    const auto boundary = BoundaryOf(req);
    CBlockReceiver receiver(ctx);
    std::optional<std::string> failure;
    uint64_t read = 0;
    CMultipartReader reader(
        boundary.value_or("-"),
        [&](const CMultipartReader::Fields& fields) { return receiver.OnHead(fields); },
        [&](const char* data, size_t length) { return receiver.OnData(data, length); });
    if (!boundary)
        failure = "a block needs a multipart/form-data body with a boundary";
    // A refused body is still read to its end (within bounds), so that the client, still
    // sending, gets the answer rather than a reset connection.
    const bool whole = body.Read([&](const char* data, size_t length) {
        read += length;
        if (!failure && !reader.Feed(data, length))
            failure = reader.Error();
        return read <= kMaxBody;
    });
    if (receiver.Refusal())
        return *receiver.Refusal();
    if (failure)
        return ErrorReply(400, Errno::kBadRequest, *failure);
    return receiver.Finish(whole && reader.Complete());
}

}  // namespace norvel::service
