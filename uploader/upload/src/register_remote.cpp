#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>

#include "json/json.h"
#include "net/http_request.h"
#include "platform/text.h"
#include "reply_json.h"
#include "settings/settings.h"
#include "tools/date_text.h"
#include "tools/url_encode.h"
#include "upload/remote.h"
#include "upload/result_codes.h"
#include "upload/upload_run.h"

namespace upload {
namespace {

void SetText(Script::JsonObjectObject& object, const char* name, const std::string& value) {
    object.SetMember(name, new Script::JsonObjectString(value));
}

std::string EntryObject(const RemoteFileEntry& entry, const UploadRun& run) {
    Script::JsonObjectObject object;
    SetText(object, "name", RemoteEntryName(entry.m_Path, run.m_Task.m_Dir));
    SetText(object, "createTime", tools::FormatDateTime(entry.m_CreateTime));
    SetText(object, "modifyTime", tools::FormatDateTime(entry.m_ModifyTime));
    SetText(object, "accessTime", tools::FormatDateTime(entry.m_ModifyTime));
    if (entry.m_IsFolder)
        return object.ToString();
    SetText(object, "url", platform::WideToUtf8(run.m_RemotePath));
    SetText(object, "size", std::to_string(entry.m_Size));
    SetText(object, "md5", entry.m_Md5);
    if (run.m_HasStamp) {
        SetText(object, "ts", run.m_Stamp);
        SetText(object, "sig", run.m_Sig);
    }
    auto base = std::make_unique<Script::JsonObjectObject>();
    const RemoteFileEntry& baseEntry = run.m_BaseEntry;
    if (baseEntry.m_HasBase && baseEntry.m_ModifyTime != 0) {
        SetText(*base, "md5", baseEntry.m_Md5);
        SetText(*base, "size", std::to_string(baseEntry.m_Size));
        SetText(*base, "modifyTime", tools::FormatDateTime(baseEntry.m_ModifyTime));
    }
    object.SetMember("basever", base.release());
    return object.ToString();
}

bool HasMember(const Script::JsonObject& object, const char* name) {
    return object.GetMember(name).GetType() != Script::kJsonNone;
}

// An unsigned decimal number: blanks, then the leading digits (saturating); 0 when there
// are none.
uint64_t LeadingUnsigned(std::string_view text) {
    const size_t start = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size());
    uint64_t value = 0;
    const std::errc error =
        std::from_chars(text.data() + start, text.data() + text.size(), value).ec;
    return error == std::errc::result_out_of_range ? UINT64_MAX : value;
}

// A refused file's item describes the file the service holds under that name; whatever
// of it the item carries goes into the entry.
void ReadStoredFile(const Script::JsonObject& item, RemoteFileEntry& entry) {
    if (entry.m_IsFolder)
        return;
    if (HasMember(item, "md5"))
        entry.m_Md5 = detail::MemberText(item, "md5");
    if (HasMember(item, "size"))
        entry.m_Size = LeadingUnsigned(detail::MemberText(item, "size"));
    if (HasMember(item, "ctime"))
        entry.m_CreateTime = detail::LeadingInt64(detail::MemberText(item, "ctime"));
    if (HasMember(item, "mtime"))
        entry.m_ModifyTime = detail::LeadingInt64(detail::MemberText(item, "mtime"));
}

// What a reply of status 200 or 400 tells; throws when a member it needs is missing.
int ReadRegistration(const Script::JsonObject& json, RemoteFileEntry& entry) {
    const auto& errnoMember = json.GetMember("errno");
    if (errnoMember.GetType() != Script::kJsonNone) {
        const int code = detail::LeadingInt(errnoMember.GetValue()->GetString());
        if (code == 2)
            return kServiceBusy;
        if (code == 4)
            return kServiceDiskFull;
    }
    if (detail::MemberText(json, "action") != "false")
        return kUploadOk;
    const auto& failList = json.GetMember("failList");
    for (int i = 0; i < failList.Size(); ++i) {
        const Script::JsonObject& item = *failList.GetAt(i);
        const int code = detail::LeadingInt(detail::MemberText(item, "errno"));
        ReadStoredFile(item, entry);
        if (code == 19)
            return kParentMissing;
        if (code == 25)
            return kFileExists;
    }
    return kUploadFailed;  // refused for another reason: never taken for success
}

// Reads a reply of status 200 or 400.
int ReadReply(const net::ReplyBuffer& reply, size_t length, RemoteFileEntry& entry) {
    int result = kUploadFailed;
    detail::ReadJsonReply({reply.get(), length}, [&](const Script::JsonObject& json) {
        result = ReadRegistration(json, entry);
    });
    return result;
}

}  // namespace

std::string RemoteEntryName(std::u16string_view path, std::u16string_view dir) {
    std::u16string_view relative = path;
    if (path.starts_with(dir) && path.size() > dir.size() && path[dir.size()] == u'/')
        relative = path.substr(dir.size());
    return tools::UrlEncode(platform::WideToUtf8(relative));
}

std::string RegistrationBody(const RemoteFileEntry& entry, const UploadRun& run) {
    std::string body = "token=" + platform::WideToUtf8(settings::GetToken()) +
                       "&changer=" + platform::WideToUtf8(settings::GetChanger()) +
                       "&rootfs=" + std::string(kUploadRootFolder);
    body += entry.m_IsFolder ? "&dirs=[" : "&files=[";
    return body + EntryObject(entry, run) + "]";
}

int RegisterRemote(RemoteFileEntry& entry, UploadRun& run) {
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, run.m_Task.m_ApiHost);
    size_t length = 0;
    const net::ReplyBuffer reply = net::GetJSONDataFromURL(
        settings::GetHeaderText(), length, info,
        entry.m_IsFolder ? u"/app/pc/disk.mkdir.php" : u"/app/pc/disk.mkfile.php",
        RegistrationBody(entry, run), run.m_Task.m_hStopEvent.get());
    const int status = info.m_StatusCode;
    if (status == 1000)
        return kServiceUnavailable;
    if (status == 2)
        return kServiceBusy;
    if ((status != 200 && status != 400) || !reply)
        return kUploadFailed;
    return ReadReply(reply, length, entry);
}

}  // namespace upload
