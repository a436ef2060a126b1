// "/app/pc/createlink.php" (files of the user's tree) and
// "/app/pc/anonymous_createlink.php" (contents of anonymous uploads, by their upload
// paths): a share link whose page lists and downloads the files.

#include "service/links.h"

#include <variant>

#include "service/accounts.h"
#include "service/context.h"
#include "service/handlers.h"
#include "service/json_value.h"
#include "service/random.h"
#include "service/tree.h"

namespace norvel::service {
namespace {

constexpr size_t kMaxLinkFiles = 1000;

bool IsLinkForm(const std::string& form) {
    return form == "norvel_external_link" || form == "normal_external_link" ||
           form == "sina_weibo_external_link";
}

CReply LinkReply(CServiceContext& ctx, const std::string& code, const std::string& title) {
    return JsonReply(CJsonBuilder()
                         .Set("errno", int64_t(0))
                         .Set("url", ctx.BaseUrl() + "/s/" + code)
                         .Set("title", title));
}

// A file name for the link page: the last component of what the client named.
std::optional<std::string> PlainName(const std::string& name) {
    const size_t cut = name.find_last_of("/\\");
    std::string plain = cut == std::string::npos ? name : name.substr(cut + 1);
    if (plain.empty() || plain == "." || plain == ".." || plain.size() > 255)
        return std::nullopt;
    for (char c : plain)
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    return plain;
}

std::variant<std::vector<CLinkFile>, CReply> TreeFiles(CTransaction& tx, int64_t uid,
                                                       const std::string& root,
                                                       const std::string& filesText) {
    const auto list = CJsonValue::Parse(filesText);
    if (!list || !list->IsArray() || list->Size() == 0 || list->Size() > kMaxLinkFiles)
        return ErrorReply(400, Errno::kBadRequest, "files must be a non-empty JSON array");
    std::vector<CLinkFile> files;
    for (const CJsonValue& item : list->Elements()) {
        const auto name = UrlDecode(item.Text("name"));
        const auto path = name ? JoinTreePath(root, *name) : std::nullopt;
        const auto node = path ? FindNode(tx, uid, *path) : std::nullopt;
        if (!node || node->folder)
            return ErrorReply(400, Errno::kNotFound, "no such file: " + item.Text("name"));
        files.push_back(CLinkFile{LastComponent(node->path), node->md5, node->size});
    }
    return files;
}

// The attachments of an anonymous link, keyed "0", "1", ... in upload order; the first
// missing number ends the list.
std::variant<std::vector<CLinkFile>, CReply> AttachedFiles(CServiceContext& ctx,
                                                           const CJsonValue& attachments) {
    std::vector<CLinkFile> files;
    for (size_t i = 0;; ++i) {
        const auto item = attachments.Find(std::to_string(i));
        if (!item)
            return files;
        if (i == kMaxLinkFiles)
            return ErrorReply(400, Errno::kBadRequest, "too many attachments");
        const auto name = UrlDecode(item->Text("name"));
        const auto plain = name ? PlainName(*name) : std::nullopt;
        if (!plain)
            return ErrorReply(400, Errno::kBadRequest, "every attachment needs a name");
        CStatement query(ctx.store, "SELECT md5, size FROM paths WHERE path = ?1");
        query.Bind(1, item->Text("kdwurl"));
        if (!query.Step())
            return ErrorReply(400, Errno::kNotFound,
                              "unknown upload path: " + item->Text("kdwurl"));
        files.push_back(CLinkFile{*plain, query.Text(0), query.Int(1)});
    }
}

}  // namespace

std::string LinkTitle(const std::vector<CLinkFile>& files) {
    if (files.size() == 1)
        return files.front().name;
    return files.front().name + " 等" + std::to_string(files.size()) + "个文件";
}

std::string CreateLink(CTransaction& tx, CLink link) {
    link.code = RandomText(10, "23456789abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ");
    CStatement insert(
        tx.Store(),
        "INSERT INTO links(code, uid, form, title, attrs, created) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    insert.Bind(1, link.code);
    if (link.uid > 0)
        insert.Bind(2, link.uid);
    else
        insert.BindNull(2);
    insert.Bind(3, link.form)
        .Bind(4, link.title)
        .Bind(5, link.attrs)
        .Bind(6, CServiceContext::Now())
        .Run();
    for (size_t i = 0; i < link.files.size(); ++i) {
        CStatement file(
            tx.Store(),
            "INSERT INTO link_files(code, idx, name, md5, size) VALUES(?1, ?2, ?3, ?4, ?5)");
        file.Bind(1, link.code)
            .Bind(2, int64_t(i))
            .Bind(3, link.files[i].name)
            .Bind(4, link.files[i].md5);
        file.Bind(5, link.files[i].size).Run();
    }
    return link.code;
}

std::optional<CLink> FindLink(CTransaction& tx, const std::string& code) {
    CStatement query(tx.Store(),
                     "SELECT COALESCE(uid, 0), form, title, attrs FROM links WHERE code = ?1");
    query.Bind(1, code);
    if (!query.Step())
        return std::nullopt;
    CLink link{code, query.Int(0), query.Text(1), query.Text(2), query.Text(3), {}};
    CStatement files(tx.Store(),
                     "SELECT name, md5, size FROM link_files WHERE code = ?1 ORDER BY idx");
    files.Bind(1, code);
    while (files.Step())
        link.files.push_back(CLinkFile{files.Text(0), files.Text(1), files.Int(2)});
    return link;
}

CReply HandleCreateLink(CServiceContext& ctx, const CRequest&, const CForm& form) {
    const std::string kind = form.Raw("form");
    if (!IsLinkForm(kind))
        return ErrorReply(400, Errno::kBadRequest, "unknown link form");
    const auto rootfs = form.Decoded("rootfs");
    const auto basepath = form.Decoded("basepath");
    std::optional<std::string> root = rootfs ? CleanTreePath(*rootfs) : std::nullopt;
    if (root && basepath && !basepath->empty() && *basepath != "/")
        root = JoinTreePath(*root, *basepath);
    if (!root)
        return ErrorReply(400, Errno::kBadRequest, "bad rootfs or basepath");
    CTransaction tx(ctx.store);
    const CTokenOwner owner = TokenOwner(tx, form.Raw("token"));
    if (owner.state != TokenState::Valid)
        return ErrorReply(400, Errno::kBadToken,
                          owner.state == TokenState::Expired ? "token expired" : "unknown token");
    auto files = TreeFiles(tx, owner.uid, *root, form.Raw("files"));
    if (auto* refusal = std::get_if<CReply>(&files))
        return *refusal;
    CLink link;
    link.uid = owner.uid;
    link.form = kind;
    link.files = std::move(std::get<std::vector<CLinkFile>>(files));
    link.title = LinkTitle(link.files);
    if (kind == "sina_weibo_external_link") {
        const auto attrs = CJsonValue::Parse(form.Raw("attrs"));
        if (!attrs || !attrs->IsObject())
            return ErrorReply(400, Errno::kBadRequest, "a Sina Weibo link needs attrs");
        link.attrs = attrs->ToString();
    }
    const std::string title = link.title;
    const std::string code = CreateLink(tx, std::move(link));
    tx.Commit();
    return LinkReply(ctx, code, title);
}

CReply HandleAnonymousLink(CServiceContext& ctx, const CRequest&, const CForm& form) {
    if (!IsLinkForm(form.Raw("form")))
        return ErrorReply(400, Errno::kBadRequest, "unknown link form");
    const auto attachments = CJsonValue::Parse(form.Raw("attachments"));
    if (!attachments || !attachments->IsObject() || !attachments->Find("0"))
        return ErrorReply(400, Errno::kBadRequest,
                          "attachments must be a JSON object keyed 0, 1, ...");
    CTransaction tx(ctx.store);
    auto files = AttachedFiles(ctx, *attachments);
    if (auto* refusal = std::get_if<CReply>(&files))
        return *refusal;
    CLink link;
    link.form = form.Raw("form");
    link.files = std::move(std::get<std::vector<CLinkFile>>(files));
    link.title = LinkTitle(link.files);
    const std::string title = link.title;
    const std::string code = CreateLink(tx, std::move(link));
    tx.Commit();
    return LinkReply(ctx, code, title);
}

}  // namespace norvel::service
