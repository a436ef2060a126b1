#pragma once

// The users' trees of folders and files. Paths are absolute, "/"-separated UTF-8 texts
// ("/我的网盘/我收到的文件/a.txt"); they live only in the database, while file contents
// are stored by digest, so no name a client sends ever becomes a path in the data folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel::service {

class CTransaction;

// A clean absolute path: begins with "/", no empty, "." or ".." component, no byte below
// 0x20, at most 1024 bytes; "/" alone is the root. Empty when the text is not one.
std::optional<std::string> CleanTreePath(std::string_view path);
// rootfs + name, where name begins with "/"; empty when either is not clean.
std::optional<std::string> JoinTreePath(std::string_view rootfs, std::string_view name);
std::string ParentOf(const std::string& path);
std::string LastComponent(const std::string& path);

struct CNode {
    std::string path;
    bool folder = false;
    std::string md5;
    int64_t size = 0;
    std::string ctime;  // as the client wrote them
    std::string mtime;
    std::string url;  // the upload path the file was registered with
};

std::optional<CNode> FindNode(CTransaction& tx, int64_t uid, const std::string& path);
void InsertNode(CTransaction& tx, int64_t uid, const CNode& node);
// Every node of the user's tree, in path order.
std::vector<CNode> ListTree(CTransaction& tx, int64_t uid);

}  // namespace norvel::service
