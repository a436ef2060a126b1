#pragma once

// Records of the upload engine: the slices of a large file and the description of a local
// file or folder for its registration on the service.

#include <cstdint>
#include <string>

namespace upload {

// One segment of a large file, in file order.
struct SegmentEntry {
    std::string fileid;  // Md5Hex of the segment's bytes, 32 lowercase hex digits
    std::string range;   // "start-end", absolute file offsets, end inclusive
    int32_t size = 0;    // bytes in the segment
};

// A local file or folder as the service's disk registers it.
struct RemoteFileEntry {
    std::u16string m_Path;     // local path
    int64_t m_CreateTime = 0;  // seconds since 1970, as the registration writes them
    int64_t m_ModifyTime = 0;
    uint64_t m_Size = 0;     // bytes of a file; 0 for a folder or when nothing is found
    std::string m_Md5;       // whole-file MD5; empty for folders or when not computed
    bool m_HasBase = false;  // describes a known base version ("basever")
    bool m_IsFolder = false;
};

}  // namespace upload
