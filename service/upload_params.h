#pragma once

// The "kdw_" parameters of the four upload requests, read from a form body (up_init,
// up_retcon, up_seginfo) or from the fields of a block's multipart head (up_blk), checked
// for form, and the signature "kdw_key" computed exactly as the client does: the strings
// name+value of the signed parameters, sorted bytewise, appended to the ticket's secret,
// MD5 in lowercase hexadecimal.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/form.h"

namespace norvel::service {

enum class UploadKind { Init, Block, Fast, SegInfo };

// start-end, both inclusive byte offsets.
struct CByteRange {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t Length() const { return end - start + 1; }
    std::string Text() const { return std::to_string(start) + "-" + std::to_string(end); }
};

// Decimal "start-end" with start <= end; empty otherwise.
std::optional<CByteRange> ParseRange(std::string_view text);

struct CUploadParams {
    UploadKind kind = UploadKind::Init;
    std::vector<std::pair<std::string, std::string>> signedFields;  // name, value as signed
    std::string tstr;
    std::string key;
    std::string filename;  // the file's own name, in the client's code page
    std::string fileId;    // MD5 of the whole file
    uint64_t fileSize = 0;
    std::string segId;  // MD5 of the segment the request concerns; empty for the file
    uint64_t segSize = 0;
    std::optional<CByteRange> range;
    std::string fcon;     // content digest of a fast upload
    std::string seglist;  // segment list text of up_seginfo

    bool HasSegment() const { return !segId.empty(); }
};

// Reads the parameters of one request. `fields` are name and value pairs as received;
// `filenameEncoded` says whether "kdw_filename" is URL-encoded (form bodies) or raw
// (multipart). Empty with a reason in error when a parameter is missing or malformed.
std::optional<CUploadParams> ReadUploadParams(
    UploadKind kind, const std::vector<std::pair<std::string, std::string>>& fields,
    bool filenameEncoded, std::string& error);

// The kdw_key the parameters must carry when signed with that secret.
std::string UploadKey(const CUploadParams& params, std::string_view secret);

}  // namespace norvel::service
