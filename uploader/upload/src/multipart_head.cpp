#include "platform/text.h"
#include "settings/settings.h"
#include "upload/request_params.h"

namespace upload {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// CRLF + delimiter + the disposition line of a field + the blank line + the value.
void AppendField(std::string& head, const std::string& delimiter, std::string_view name,
                 std::string_view value) {
    head += kCrLf;
    head += delimiter;
    head += "\r\nContent-Disposition: form-data; name=\"";
    head += name;
    head += "\"\r\n\r\n";
    head += value;
}

}  // namespace

std::string BuildMultipartHead(const UploadRequestArgs& args, const UploadRun& run) {
    const std::string delimiter = "--" + run.m_Boundary;
    const std::string fileSize = std::to_string(run.m_Task.m_FileSize);
    std::string head =
        delimiter + "\r\nContent-Disposition: form-data; name=\"kdw_app\"\r\n\r\n1\r\n" +
        delimiter + "\r\nContent-Disposition: form-data; name=\"kdw_ts\"\r\n\r\n" + args.Ts;
    AppendField(head, delimiter, "kdw_fmt", "JSON");
    AppendField(head, delimiter, "kdw_ver", "1.0");
    AppendField(head, delimiter, "kdw_tcon", "");
    AppendField(head, delimiter, "kdw_tstr", run.m_Tstr);
    AppendField(head, delimiter, "kdw_filename", ProtocolFileName(run.m_Task));
    AppendField(head, delimiter, "kdw_range", args.Range);
    AppendField(head, delimiter, "kdw_range", args.Range);  // written twice
    if (args.SegId.empty()) {
        AppendField(head, delimiter, "kdw_fid", run.m_FileEntry.m_Md5);
        AppendField(head, delimiter, "kdw_fsize", fileSize);
    } else {
        const SegmentEntry* segment = FindSegment(run, args.SegId);
        AppendField(head, delimiter, "kdw_pfid", run.m_FileEntry.m_Md5);
        AppendField(head, delimiter, "kdw_pfsize", fileSize);
        AppendField(head, delimiter, "kdw_fid", args.SegId);
        AppendField(head, delimiter, "kdw_fsize", std::to_string(segment ? segment->size : 0));
    }
    AppendField(head, delimiter, "kdw_key", args.Key);
    // The file name has no closing quotation mark: the line ends right after the path.
    head += kCrLf;
    head += delimiter;
    head += "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"";
    head += ProtocolLocalPath(run.m_Task);
    head += "\r\nContent-Type: application/octet-stream\r\n\r\n";
    return head;
}

std::string MultipartClosing(const UploadRun& run) {
    return "\r\n--" + run.m_Boundary + "--\r\n";
}

std::string BuildHeaders(UploadRequestKind kind, const UploadRun& run) {
    const std::string contentType = kind == UploadRequestKind::Block
                                        ? "multipart/form-data; boundary=" + run.m_Boundary
                                        : std::string("application/x-www-form-urlencoded");
    return platform::WideToAnsi(settings::GetHeaderText()) + "Content-Type: " + contentType +
           "\r\n";
}

}  // namespace upload
