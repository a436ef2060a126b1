#pragma once

// The parameters and bodies of the four requests of the upload protocol, byte for byte.
//
// Every request names the ticket, the file (name, MD5 as file id, size) and, for a
// segment, the segment too; it is signed with "kdw_key": the MD5 of the upload secret
// followed by the strings name+value of the signed parameters in ascending byte order.
// Control requests (Init, Fast, SegInfo) carry an URL-encoded form; a block carries a
// multipart form whose head these builders write and whose content the block sender
// appends.
//
// Names travel in the ANSI code page. A carriage return or line feed in the file's name
// or path (possible on Linux) is written as "?" everywhere, so that no name can end a
// line of the multipart head.

#include <string>
#include <string_view>

#include "intake/upload_context.h"
#include "upload/upload_run.h"

namespace upload {

enum class UploadRequestKind : int {
    Init = 0,     // "/up/up_init"
    Block = 1,    // "/up/up_blk"
    Fast = 2,     // "/up/up_retcon"
    SegInfo = 3,  // "up/up_seginfo"
};

// The inputs of one request besides the values of the task and its run.
struct UploadRequestArgs {
    UploadRequestKind Kind = UploadRequestKind::Init;
    std::string Ts;     // seconds since 1970, decimal, taken once per request
    std::string Range;  // "start-end", end inclusive; empty when the request has none
    std::string SegId;  // the segment concerned (a fileid of m_Segments); empty: the file
    std::string Fcon;   // the content digest of a Fast request (absolute bytes of Range)
    std::string Key;    // kdw_key, computed from the others before the body is built
};

// kdw_key: 32 lowercase hex digits.
std::string BuildSignature(const UploadRequestArgs& args, const UploadRun& run);
// The URL-encoded form of Init, Fast and SegInfo requests. Its doubled "&&" and the "&"
// at its end are part of the format.
std::string BuildFormBody(const UploadRequestArgs& args, const UploadRun& run);
// The multipart head of a Block request, up to the first content byte; the boundary is
// the run's m_Boundary.
std::string BuildMultipartHead(const UploadRequestArgs& args, const UploadRun& run);
// The closing text after the content of a Block request.
std::string MultipartClosing(const UploadRun& run);
// The header block: the settings' request headers, then a Content-Type line naming the
// multipart boundary (Block) or the URL-encoded form (the others), in the ANSI code page.
std::string BuildHeaders(UploadRequestKind kind, const UploadRun& run);

// "[" + {"fileid", "range"} of each segment as the JSON writer writes them, joined by
// "," + "]".
std::string SegmentListText(const UploadRun& run);

// The file's own name (m_FileName) and its local path as the protocol writes them.
std::string ProtocolFileName(const intake::UploadContext& task);
std::string ProtocolLocalPath(const intake::UploadContext& task);

// The entry of m_Segments with that fileid, or null.
const SegmentEntry* FindSegment(const UploadRun& run, std::string_view segId);

}  // namespace upload
