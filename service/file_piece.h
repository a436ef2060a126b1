#pragma once

// A stored content's bytes as files read one after the other: the content's own file
// when it is stored whole, or the files of its parts in order.

#include <cstdint>
#include <string>
#include <vector>

namespace norvel::service {

struct CFilePiece {
    std::string path;
    uint64_t size = 0;  // bytes of the file that belong to the content: all of them
};

using FilePieces = std::vector<CFilePiece>;

}  // namespace norvel::service
