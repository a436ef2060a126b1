// "/app/pc/disk.mkdir.php" and "/app/pc/disk.mkfile.php": folders and uploaded files
// entered into a user's tree below "rootfs". Entries that cannot be made are listed in
// "failList" with "errno" 19 (parent folder missing) or 25 (the name exists); a file
// that would overfill the account's space refuses the request with "errno" 4.
// Making a folder that exists is a success, as is registering the same content again
// under the same name: a client repeating a request after a lost reply is not refused.

#include <variant>

#include "service/accounts.h"
#include "service/context.h"
#include "service/digest.h"
#include "service/handlers.h"
#include "service/json_value.h"
#include "service/tickets.h"
#include "service/tree.h"
#include "service/upload_params.h"

namespace norvel::service {
namespace {

struct CDiskRequest {
    int64_t uid = 0;
    std::string rootfs;
    std::vector<CJsonValue> entries;
};

CJsonBuilder Failure(const CJsonValue& entry, int errnoValue, std::string_view error) {
    return CJsonBuilder()
        .Set("name", entry.Text("name"))
        .Set("errno", int64_t(errnoValue))
        .Set("error", error);
}

// Reads token, rootfs and the JSON list; a refusal reply when something is wrong.
std::variant<CDiskRequest, CReply> ReadDiskRequest(CTransaction& tx, const CForm& form,
                                                   const char* listName) {
    const CTokenOwner owner = TokenOwner(tx, form.Raw("token"));
    if (owner.state != TokenState::Valid)
        return ErrorReply(400, Errno::kBadToken,
                          owner.state == TokenState::Expired ? "token expired" : "unknown token");
    const auto list = CJsonValue::Parse(form.Raw(listName));
    if (!list || !list->IsArray())
        return ErrorReply(400, Errno::kBadRequest, std::string(listName) + " must be a JSON array");
    if (!CleanTreePath(form.Raw("rootfs")))
        return ErrorReply(400, Errno::kBadRequest, "bad rootfs");
    return CDiskRequest{owner.uid, form.Raw("rootfs"), list->Elements()};
}

std::optional<std::string> EntryPath(const CDiskRequest& request, const CJsonValue& entry) {
    const auto name = UrlDecode(entry.Text("name"));
    if (!name || name->find('\0') != std::string::npos)
        return std::nullopt;
    return JoinTreePath(request.rootfs, *name);
}

CReply Outcome(std::vector<CJsonBuilder> failures) {
    CJsonBuilder reply;
    reply.Set("errno", int64_t(0)).Set("action", failures.empty() ? "true" : "false");
    if (!failures.empty())
        reply.Set("failList", std::move(failures));
    return JsonReply(reply);
}

// The content an upload path stands for, when that path was handed to this user.
std::optional<std::pair<std::string, int64_t>> UploadedContent(CTransaction& tx, int64_t uid,
                                                               const std::string& url) {
    CStatement query(tx.Store(), "SELECT md5, size, tstr FROM paths WHERE path = ?1");
    query.Bind(1, url);
    if (!query.Step())
        return std::nullopt;
    const auto ticket = FindTicket(tx, query.Text(2));
    if (!ticket || ticket->uid != uid)
        return std::nullopt;
    return std::make_pair(query.Text(0), query.Int(1));
}

std::optional<CJsonBuilder> AddFile(CTransaction& tx, const CDiskRequest& request,
                                    const CJsonValue& entry, const std::string& path) {
    const auto content = UploadedContent(tx, request.uid, entry.Text("url"));
    if (!content || content->first != entry.Text("md5") ||
        std::to_string(content->second) != entry.Text("size"))
        return Failure(entry, Errno::kNotFound,
                       "url names no upload of this user with that md5 and size");
    if (const auto existing = FindNode(tx, request.uid, path)) {
        if (!existing->folder && existing->md5 == content->first &&
            existing->size == content->second)
            return std::nullopt;
        return Failure(entry, Errno::kExists, "name exists")
            .Set("md5", existing->md5)
            .Set("size", existing->size)
            .Set("ctime", existing->ctime)
            .Set("mtime", existing->mtime);
    }
    const auto parent = FindNode(tx, request.uid, ParentOf(path));
    if (!parent || !parent->folder)
        return Failure(entry, Errno::kParentMissing, "parent folder missing");
    InsertNode(tx, request.uid,
               CNode{path, false, content->first, content->second, entry.Text("createTime"),
                     entry.Text("modifyTime"), entry.Text("url")});
    return std::nullopt;
}

int64_t NewBytes(CTransaction& tx, const CDiskRequest& request) {
    int64_t bytes = 0;
    for (const CJsonValue& entry : request.entries) {
        const auto path = EntryPath(request, entry);
        const auto size = ParseDecimal(entry.Text("size"));
        if (path && size && !FindNode(tx, request.uid, *path))
            bytes += int64_t(*size);
    }
    return bytes;
}

}  // namespace

CReply HandleMkdir(CServiceContext& ctx, const CRequest&, const CForm& form) {
    CTransaction tx(ctx.store);
    auto read = ReadDiskRequest(tx, form, "dirs");
    if (auto* refusal = std::get_if<CReply>(&read))
        return *refusal;
    const CDiskRequest& request = std::get<CDiskRequest>(read);
    std::vector<CJsonBuilder> failures;
    for (const CJsonValue& entry : request.entries) {
        const auto path = EntryPath(request, entry);
        if (!path || *path == "/") {
            failures.push_back(Failure(entry, Errno::kBadRequest, "bad folder name"));
            continue;
        }
        if (const auto existing = FindNode(tx, request.uid, *path)) {
            if (!existing->folder)
                failures.push_back(Failure(entry, Errno::kExists, "a file has that name"));
            continue;
        }
        const auto parent = FindNode(tx, request.uid, ParentOf(*path));
        if (!parent || !parent->folder) {
            failures.push_back(Failure(entry, Errno::kParentMissing, "parent folder missing"));
            continue;
        }
        InsertNode(
            tx, request.uid,
            CNode{*path, true, {}, 0, entry.Text("createTime"), entry.Text("modifyTime"), {}});
    }
    tx.Commit();
    return Outcome(std::move(failures));
}

CReply HandleMkfile(CServiceContext& ctx, const CRequest&, const CForm& form) {
    CTransaction tx(ctx.store);
    auto read = ReadDiskRequest(tx, form, "files");
    if (auto* refusal = std::get_if<CReply>(&read))
        return *refusal;
    const CDiskRequest& request = std::get<CDiskRequest>(read);
    const auto account = FindAccountByUid(tx, request.uid);
    if (!account)
        return ErrorReply(400, Errno::kBadToken, "unknown token");
    if (UsedSpace(tx, request.uid) + NewBytes(tx, request) > account->space)
        return ErrorReply(400, Errno::kDiskFull, "disk full");
    std::vector<CJsonBuilder> failures;
    for (const CJsonValue& entry : request.entries) {
        const auto path = EntryPath(request, entry);
        if (!path || *path == "/") {
            failures.push_back(Failure(entry, Errno::kBadRequest, "bad file name"));
            continue;
        }
        if (auto failure = AddFile(tx, request, entry, *path))
            failures.push_back(std::move(*failure));
    }
    tx.Commit();
    return Outcome(std::move(failures));
}

}  // namespace norvel::service
