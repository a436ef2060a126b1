#pragma once

// Share links: a code naming a list of stored contents with their file names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvel::service {

class CTransaction;

struct CLinkFile {
    std::string name;  // a file name without folders
    std::string md5;
    int64_t size = 0;
};

struct CLink {
    std::string code;
    int64_t uid = 0;  // 0 for an anonymous link
    std::string form;
    std::string title;
    std::string attrs;
    std::vector<CLinkFile> files;
};

// Stores a new link under a fresh code; returns the code.
std::string CreateLink(CTransaction& tx, CLink link);
std::optional<CLink> FindLink(CTransaction& tx, const std::string& code);
// "a.txt" for one file, "a.txt 等3个文件" for several.
std::string LinkTitle(const std::vector<CLinkFile>& files);

}  // namespace norvel::service
