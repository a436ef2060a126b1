// "/up/up_blk": one block of a file or of a segment, in a multipart body that is read as
// it arrives, written straight into the unit's partial file and added to the unit's
// running digest, so that a complete unit is checked without reading it back. A segment's
// bytes go into the whole file's digest in the same pass when the join stands exactly
// where the block writes. A large block is digested on a thread beside its receipt; a
// block that leaves its unit incomplete is answered without waiting for that digest.

#include <functional>
#include <memory>
#include <mutex>

#include "service/context.h"
#include "service/file_writer.h"
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
    // The unit's digests (with the whole file's join when the block has it), of the unit's
    // bytes up to m_Position; null when the unit is to be read back once complete.
    std::unique_ptr<CUnitFeed> m_Digests;
    bool m_Background = false;  // a large block: digested beside its receipt
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
            m_Digests = m_Ctx.digests.Take(m_Partial, m_WriteFrom);
        // A unit's feed keeps its join from block to block; a unit starts with the join
        // that stands at its start.
        if (m_Digests && m_SegIndex >= 0 && m_WriteFrom == 0)
            m_Digests->SetJoin(
                m_Ctx.joiner.TakeAt(m_Session.id, PartsOf(m_Session), size_t(m_SegIndex), 0));
        m_Background = m_WriteTo - m_WriteFrom >= kBackgroundDigestFrom;
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
        if (m_Digests)
            m_Digests->Feed(bytes, count, m_Background);
    }
    m_Position += length;
    return !m_WriteFailed;
}

CReply CBlockReceiver::Finish(bool bodyComplete) {
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
        m_Ctx.digests.Keep(m_Partial, held, std::move(m_Digests));
        return BlockRequestReply(unitId, NextBlock(m_Ctx, held, m_UnitSize), held);
    }
    std::optional<std::string> digest;
    std::unique_ptr<CJoin> join;
    if (m_Digests) {
        digest = m_Digests->Settled().FinishHex();
        join = m_Digests->TakeJoin();
    }
    if (m_SegIndex < 0)
        return FinishWholeFile(m_Ctx, m_Session, m_Ticket, digest);
    // A segment completed by an earlier request (another upload of the same file) is
    // stored already; only one that this block completed is checked and stored.
    if (m_Held < m_UnitSize &&
        !FinishSegment(m_Ctx, m_Session, size_t(m_SegIndex), digest, std::move(join)))
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
