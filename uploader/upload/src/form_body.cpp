#include <memory>

#include "json/json.h"
#include "tools/url_encode.h"
#include "upload/request_params.h"

namespace upload {

std::string SegmentListText(const UploadRun& run) {
    std::string text = "[";
    const char* separator = "";
    for (const SegmentEntry& entry : run.m_Segments) {
        Script::JsonObjectObject object;
        object.SetMember("fileid", new Script::JsonObjectString(entry.fileid));
        object.SetMember("range", new Script::JsonObjectString(entry.range));
        text += separator;
        text += object.ToString();
        separator = ",";
    }
    return text + "]";
}

std::string BuildFormBody(const UploadRequestArgs& args, const UploadRun& run) {
    const std::string fileSize = std::to_string(run.m_Task.m_FileSize);
    std::string body = "kdw_app=1&kdw_ts=" + args.Ts +
                       "&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=" + run.m_Tstr;
    body += "&kdw_filename=" + tools::UrlEncode(ProtocolFileName(run.m_Task));
    if (args.SegId.empty())
        body += "&kdw_fid=" + run.m_FileEntry.m_Md5 + "&kdw_fsize=" + fileSize;
    else
        body += "&kdw_pfid=" + run.m_FileEntry.m_Md5 + "&kdw_pfsize=" + fileSize;
    body += "&kdw_key=" + args.Key + "&";
    if (args.Kind == UploadRequestKind::SegInfo && args.SegId.empty())
        return body + "kdw_seglist=" + SegmentListText(run) + "&";
    if (!args.SegId.empty()) {
        const SegmentEntry* segment = FindSegment(run, args.SegId);
        body +=
            "kdw_fid=" + args.SegId + "&kdw_fsize=" + std::to_string(segment ? segment->size : 0);
    }
    if (!args.Range.empty())
        body += "&kdw_range=" + args.Range + "&kdw_fcon=" + args.Fcon + "&";
    return body;
}

}  // namespace upload
