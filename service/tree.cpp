#include "service/tree.h"

#include "service/store.h"

namespace norvel::service {
namespace {

constexpr size_t kMaxPath = 1024;

CNode ReadNode(const CStatement& row) {
    return CNode{row.Text(0), row.Int(1) != 0, row.Text(2), row.Int(3),
                 row.Text(4), row.Text(5),     row.Text(6)};
}

}  // namespace

std::optional<std::string> CleanTreePath(std::string_view path) {
    if (path.empty() || path.front() != '/' || path.size() > kMaxPath)
        return std::nullopt;
    if (path == "/")
        return std::string(path);
    size_t pos = 1;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view component = path.substr(pos, end - pos);
        if (component.empty() || component == "." || component == "..")
            return std::nullopt;
        for (char c : component)
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
        pos = end + 1;
    }
    return std::string(path);
}

std::optional<std::string> JoinTreePath(std::string_view rootfs, std::string_view name) {
    const auto root = CleanTreePath(rootfs);
    if (!root || !CleanTreePath(name))
        return std::nullopt;
    return CleanTreePath(*root == "/" ? std::string(name) : *root + std::string(name));
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string LastComponent(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::optional<CNode> FindNode(CTransaction& tx, int64_t uid, const std::string& path) {
    if (path == "/")
        return CNode{"/", true, {}, 0, {}, {}, {}};
    CStatement query(tx.Store(),
                     "SELECT path, folder, md5, size, ctime, mtime, url FROM nodes WHERE uid = ?1 "
                     "AND path = ?2");
    query.Bind(1, uid).Bind(2, path);
    if (!query.Step())
        return std::nullopt;
    return ReadNode(query);
}

void InsertNode(CTransaction& tx, int64_t uid, const CNode& node) {
    CStatement insert(tx.Store(),
                      "INSERT INTO nodes(uid, path, parent, folder, md5, size, ctime, mtime, url) "
                      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    insert.Bind(1, uid)
        .Bind(2, node.path)
        .Bind(3, ParentOf(node.path))
        .Bind(4, int64_t(node.folder));
    insert.Bind(5, node.md5)
        .Bind(6, node.size)
        .Bind(7, node.ctime)
        .Bind(8, node.mtime)
        .Bind(9, node.url)
        .Run();
}

std::vector<CNode> ListTree(CTransaction& tx, int64_t uid) {
    CStatement query(tx.Store(),
                     "SELECT path, folder, md5, size, ctime, mtime, url FROM nodes WHERE uid = ?1 "
                     "ORDER BY path");
    query.Bind(1, uid);
    std::vector<CNode> nodes;
    while (query.Step())
        nodes.push_back(ReadNode(query));
    return nodes;
}

}  // namespace norvel::service
