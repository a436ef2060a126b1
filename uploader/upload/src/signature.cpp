#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "tools/md5.h"
#include "upload/request_params.h"

namespace upload {
namespace {

// A name in the ANSI code page with line ends made harmless.
std::string ProtocolText(std::u16string_view wide) {
    std::string text = platform::WideToAnsi(wide);
    std::replace(text.begin(), text.end(), '\r', '?');
    std::replace(text.begin(), text.end(), '\n', '?');
    return text;
}

}  // namespace

std::string ProtocolFileName(const intake::UploadContext& task) {
    return ProtocolText(task.m_FileName);
}

std::string ProtocolLocalPath(const intake::UploadContext& task) {
    return ProtocolText(task.m_Path);
}

const SegmentEntry* FindSegment(const UploadRun& run, std::string_view segId) {
    const auto found =
        std::find_if(run.m_Segments.begin(), run.m_Segments.end(),
                     [&](const SegmentEntry& entry) { return entry.fileid == segId; });
    return found == run.m_Segments.end() ? nullptr : &*found;
}

std::string BuildSignature(const UploadRequestArgs& args, const UploadRun& run) {
    const std::string fileSize = std::to_string(run.m_Task.m_FileSize);
    std::vector<std::string> strings = {
        "kdw_app1",
        "kdw_ts" + args.Ts,
        "kdw_fmtJSON",
        "kdw_filename" + ProtocolFileName(run.m_Task),
        "kdw_tstr" + run.m_Tstr,
        "kdw_ver1.0",
    };
    if (args.SegId.empty()) {
        strings.push_back("kdw_fid" + run.m_FileEntry.m_Md5);
        strings.push_back("kdw_fsize" + fileSize);
    } else if (const SegmentEntry* segment = FindSegment(run, args.SegId)) {
        strings.push_back("kdw_fid" + args.SegId);
        strings.push_back("kdw_fsize" + std::to_string(segment->size));
        strings.push_back("kdw_pfid" + run.m_FileEntry.m_Md5);
        strings.push_back("kdw_pfsize" + fileSize);
    }
    if (args.Kind == UploadRequestKind::Fast)
        strings.push_back("kdw_fcon" + args.Fcon);
    strings.push_back("kdw_tcon");
    if (args.Kind == UploadRequestKind::Block || args.Kind == UploadRequestKind::Fast)
        strings.push_back("kdw_range" + args.Range);
    if (args.Kind == UploadRequestKind::SegInfo && args.SegId.empty())
        strings.push_back("kdw_seglist" + SegmentListText(run));
    std::sort(strings.begin(), strings.end());  // plain byte order

    std::string text = run.m_Secret;
    for (const std::string& item : strings)
        text += item;
    std::string key;
    tools::Md5Hex(text.data(), text.size(), key);
    return key;
}

}  // namespace upload
