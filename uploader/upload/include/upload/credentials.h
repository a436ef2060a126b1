#pragma once

// Upload authorization: the ticket ("kdw_tstr"), the secret and the upload host that the
// service hands out, one set per upload kind (1 anonymous, 2 account), kept for the life
// of the process. A set is asked for only while it is incomplete; a failed upload does
// not clear it. Any thread may authorize or read a set: both sets are guarded.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class Event;
}

namespace upload {

struct UploadCredentials {
    std::string Secret;         // "secret", bytes as received
    std::string Tstr;           // "kdw_tstr", bytes as received
    std::u16string UploadHost;  // "url" without a leading "http://": host or host:port

    bool Complete() const { return !Secret.empty() && !Tstr.empty() && !UploadHost.empty(); }
};

// 0 when the set of the kind is complete (cached, or just received); -1 when the request
// failed, the reply was unreadable or lacked a ticket or secret; 1003 for "errno" 2 (or
// the status 2); 1000 for the status 1000. The request goes to the sync API host
// ("/app/pc/sync.upauth.php" with the user's token and id, "/app/pc/anon.upauth.php" with
// the computer name) and is cut short by stopEvent (may be null) or the abort event.
int AuthorizeUpload(int32_t kind, platform::Event* stopEvent = nullptr);

// A copy of the set of the kind (empty members while it is incomplete).
UploadCredentials GetUploadCredentials(int32_t kind);
// Forgets both sets (a new run in tests).
void ResetUploadCredentials();

// The form body of the request: "token=<token>&uid=<uid>" (account) or
// "cname=<computer name>" (anonymous), values in the ANSI code page, not encoded.
std::string AuthorizationBody(int32_t kind);
// The url without a leading "http://" (exactly those seven characters, at position 0).
std::u16string WithoutHttpScheme(std::u16string_view url);

}  // namespace upload
