#include "service/upload_session.h"

#include "service/context.h"
#include "service/random.h"

namespace norvel::service {
namespace {

std::string ProofText(const CSession& session) {
    return session.proof ? session.proofSeg + "|" + session.proof->Text() : std::string();
}

void ReadProof(const std::string& text, CSession& session) {
    const size_t bar = text.find('|');
    if (bar == std::string::npos)
        return;
    session.proofSeg = text.substr(0, bar);
    session.proof = ParseRange(text.substr(bar + 1));
}

}  // namespace

std::optional<CSession> LoadSession(CTransaction& tx, const std::string& tstr,
                                    const std::string& fileId, uint64_t fileSize) {
    CStatement query(tx.Store(),
                     "SELECT id, held, segsize, proof, path FROM sessions WHERE tstr = ?1 AND fid "
                     "= ?2 AND fsize = ?3");
    query.Bind(1, tstr).Bind(2, fileId).Bind(3, int64_t(fileSize));
    if (!query.Step())
        return std::nullopt;
    CSession session;
    session.id = query.Int(0);
    session.tstr = tstr;
    session.fileId = fileId;
    session.fileSize = fileSize;
    session.held = uint64_t(query.Int(1));
    session.segSize = uint64_t(query.Int(2));
    ReadProof(query.Text(3), session);
    session.path = query.Text(4);
    CStatement segments(
        tx.Store(),
        "SELECT idx, fileid, start, size, held FROM segments WHERE session = ?1 ORDER BY idx");
    segments.Bind(1, session.id);
    while (segments.Step())
        session.segments.push_back(CSegment{int(segments.Int(0)), segments.Text(1),
                                            uint64_t(segments.Int(2)), uint64_t(segments.Int(3)),
                                            uint64_t(segments.Int(4))});
    return session;
}

CSession CreateSession(CTransaction& tx, const std::string& tstr, const std::string& fileId,
                       uint64_t fileSize) {
    CStatement insert(tx.Store(),
                      "INSERT INTO sessions(tstr, fid, fsize, updated) VALUES(?1, ?2, ?3, ?4)");
    insert.Bind(1, tstr)
        .Bind(2, fileId)
        .Bind(3, int64_t(fileSize))
        .Bind(4, CServiceContext::Now())
        .Run();
    CSession session;
    session.id = tx.Store().LastInsertId();
    session.tstr = tstr;
    session.fileId = fileId;
    session.fileSize = fileSize;
    return session;
}

void SaveSession(CTransaction& tx, const CSession& session) {
    CStatement update(tx.Store(),
                      "UPDATE sessions SET held = ?2, segsize = ?3, proof = ?4, path = ?5, updated "
                      "= ?6 WHERE id = ?1");
    update.Bind(1, session.id).Bind(2, int64_t(session.held)).Bind(3, int64_t(session.segSize));
    update.Bind(4, ProofText(session)).Bind(5, session.path).Bind(6, CServiceContext::Now()).Run();
}

void SaveSegments(CTransaction& tx, const CSession& session) {
    CStatement clear(tx.Store(), "DELETE FROM segments WHERE session = ?1");
    clear.Bind(1, session.id).Run();
    for (const CSegment& segment : session.segments) {
        CStatement insert(tx.Store(),
                          "INSERT INTO segments(session, idx, fileid, start, size, held) "
                          "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        insert.Bind(1, session.id)
            .Bind(2, segment.index)
            .Bind(3, segment.fileId)
            .Bind(4, int64_t(segment.start));
        insert.Bind(5, int64_t(segment.size)).Bind(6, int64_t(segment.held)).Run();
    }
}

void SaveSegmentHeld(CTransaction& tx, const CSession& session, size_t index) {
    const CSegment& segment = session.segments[index];
    CStatement update(tx.Store(), "UPDATE segments SET held = ?3 WHERE session = ?1 AND idx = ?2");
    update.Bind(1, session.id).Bind(2, segment.index).Bind(3, int64_t(segment.held)).Run();
}

CReply FinishedReply(const std::string& path) {
    return JsonReply(
        CJsonBuilder().Set("kdw_upcmd", "UPSTAT").Set("kdw_upstat", "FIN").Set("kdw_path", path));
}

CReply BlockRequestReply(const std::string& unitId, const CByteRange& range, uint64_t held) {
    return JsonReply(CJsonBuilder()
                         .Set("kdw_upcmd", "REQTBLK")
                         .Set("kdw_fid", unitId)
                         .Set("kdw_range", range.Text())
                         .Set("kdw_fstat", CJsonBuilder().Set("RSIZE", int64_t(held))));
}

CReply ProofRequestReply(const std::string& unitId, const CByteRange& range) {
    return JsonReply(CJsonBuilder()
                         .Set("kdw_upcmd", "REQTCON")
                         .Set("kdw_fid", unitId)
                         .Set("kdw_range", range.Text()));
}

CByteRange NextBlock(CServiceContext& ctx, uint64_t held, uint64_t size) {
    const uint64_t block = uint64_t(ctx.switches.blockSize.load());
    return CByteRange{held, std::min(size, held + block) - 1};
}

bool ContentHeld(CServiceContext& ctx, CTransaction& tx, const std::string& md5, uint64_t size) {
    CStatement query(tx.Store(), "SELECT size FROM contents WHERE md5 = ?1");
    query.Bind(1, md5);
    return query.Step() && uint64_t(query.Int(0)) == size && ctx.contents.HasContent(md5);
}

bool OwnsContent(CTransaction& tx, const std::string& md5, const std::string& owner) {
    CStatement query(tx.Store(), "SELECT 1 FROM owners WHERE md5 = ?1 AND owner = ?2");
    query.Bind(1, md5).Bind(2, owner);
    return query.Step();
}

std::string RecordContent(CTransaction& tx, const std::string& md5, uint64_t size,
                          const CTicket& ticket) {
    CStatement content(tx.Store(),
                       "INSERT OR IGNORE INTO contents(md5, size, created) VALUES(?1, ?2, ?3)");
    content.Bind(1, md5).Bind(2, int64_t(size)).Bind(3, CServiceContext::Now()).Run();
    CStatement owner(tx.Store(), "INSERT OR IGNORE INTO owners(md5, owner) VALUES(?1, ?2)");
    owner.Bind(1, md5).Bind(2, ticket.Owner()).Run();
    CStatement existing(tx.Store(), "SELECT path FROM paths WHERE md5 = ?1 AND tstr = ?2");
    existing.Bind(1, md5).Bind(2, ticket.tstr);
    if (existing.Step())
        return existing.Text(0);
    // The path is a capability: whoever holds it may register or link the content, so it
    // is unguessable and handed only to an uploader that sent or proved the content.
    const std::string path = "/f/" + RandomHex(16);
    CStatement insert(
        tx.Store(), "INSERT INTO paths(path, md5, size, tstr, created) VALUES(?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, path)
        .Bind(2, md5)
        .Bind(3, int64_t(size))
        .Bind(4, ticket.tstr)
        .Bind(5, CServiceContext::Now())
        .Run();
    return path;
}

}  // namespace norvel::service
