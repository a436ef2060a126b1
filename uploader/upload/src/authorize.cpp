#include <array>
#include <memory>
#include <mutex>

#include "intake/upload_context.h"
#include "json/json.h"
#include "net/http_request.h"
#include "platform/text.h"
#include "reply_json.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "upload/credentials.h"
#include "upload/result_codes.h"

namespace upload {
namespace {

constexpr std::u16string_view kHttpScheme = u"http://";

std::mutex g_CredentialsLock;
std::array<UploadCredentials, 2> g_Credentials;  // anonymous, account; guarded

UploadCredentials& SetOf(int32_t kind) {
    return g_Credentials[kind == intake::kAccountUpload ? 1 : 0];
}

std::u16string_view PathOf(int32_t kind) {
    return kind == intake::kAccountUpload ? u"/app/pc/sync.upauth.php" : u"/app/pc/anon.upauth.php";
}

// What a status 200 or 400 reply tells: the set stored on success, else the result code;
// throws when a member it needs is missing.
int ReadAuthorization(const Script::JsonObject& json, int status, int32_t kind) {
    const auto& errnoMember = json.GetMember("errno");
    if (errnoMember.GetType() != Script::kJsonNone &&
        detail::LeadingInt(errnoMember.GetValue()->GetString()) == 2)
        return kServiceBusy;
    if (status == 400) {
        detail::MemberText(json, "error");  // read, and kept for nothing further
        return kUploadFailed;
    }
    UploadCredentials received;
    received.Tstr = detail::MemberText(json, "kdw_tstr");
    received.Secret = detail::MemberText(json, "secret");
    received.UploadHost = WithoutHttpScheme(platform::AnsiToWide(detail::MemberText(json, "url")));
    if (received.Tstr.empty() || received.Secret.empty())
        return kUploadFailed;  // nothing is stored
    std::lock_guard lock(g_CredentialsLock);
    SetOf(kind) = std::move(received);
    return kUploadOk;
}

// Reads a status 200 or 400 reply.
int ReadReply(const net::ReplyBuffer& reply, size_t length, int status, int32_t kind) {
    int result = kUploadFailed;
    detail::ReadJsonReply({reply.get(), length}, [&](const Script::JsonObject& json) {
        result = ReadAuthorization(json, status, kind);
    });
    return result;
}

}  // namespace

std::u16string WithoutHttpScheme(std::u16string_view url) {
    if (url.starts_with(kHttpScheme))
        url.remove_prefix(kHttpScheme.size());
    return std::u16string(url);
}

std::string AuthorizationBody(int32_t kind) {
    if (kind == intake::kAccountUpload)
        return "token=" + platform::WideToAnsi(settings::GetToken()) +
               "&uid=" + settings::GetUserId();
    return "cname=" + platform::WideToAnsi(settings::GetChanger());
}

int AuthorizeUpload(int32_t kind, platform::Event* stopEvent) {
    if (GetUploadCredentials(kind).Complete())
        return kUploadOk;
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, settings::GetApiHost());
    size_t length = 0;
    const net::ReplyBuffer reply = net::GetJSONDataFromURL(
        settings::GetHeaderText(), length, info, PathOf(kind), AuthorizationBody(kind), stopEvent);
    if (!reply)
        return kUploadFailed;
    const int status = info.m_StatusCode;
    if (status == 1000)
        return kServiceUnavailable;
    if (status == 2)
        return kServiceBusy;
    if (status != 200 && status != 400)
        return kUploadFailed;
    return ReadReply(reply, length, status, kind);
}

UploadCredentials GetUploadCredentials(int32_t kind) {
    std::lock_guard lock(g_CredentialsLock);
    return SetOf(kind);
}

void ResetUploadCredentials() {
    std::lock_guard lock(g_CredentialsLock);
    g_Credentials = {};
}

}  // namespace upload
