#pragma once

// The process-wide settings object: cached account, client-identity and host texts, the
// request header texts, and the saved-login rules.
//
// A getter returns its cached copy when that is not empty, else reads the stored value
// and caches what it found. Getters and setters may be called from any thread: the
// caches are guarded, and every getter returns a copy.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace settings {

class CSessionState;

std::u16string GetInstallPath();
std::u16string GetUserName();
std::u16string GetToken();
std::u16string GetChanger();     // the computer name, at most 15 characters
std::u16string GetSyncFolder();  // "SYNC_FOLDER" of the companion sync client
std::u16string GetClientId();
std::u16string GetClientSecret();
std::u16string GetChannel();
std::u16string GetUserAgent();   // "User-Agent: Norvel_flinga/<version>,Channel=<channel>\r\n"
std::u16string GetHeaderText();  // the fixed request header block, User-Agent line last

// Account figures handed over by SetUserInfo or the user-information reply.
std::string GetUserId();  // 8-bit
std::u16string GetUserLevel();
std::u16string GetPrivPfval();
std::u16string GetMaxFileSize();    // decimal byte count
std::u16string GetSpaceCapacity();  // decimal byte count
std::u16string GetUsedSpace();      // decimal byte count
std::u16string GetUploadHost();
std::u16string GetSyncHost();
// The statistics source value of this client ("5").
std::string GetSource();

// Store in the cache and write "CLIENT_ID" / "CLIENT_SECRET".
void SetClientId(std::u16string_view id);
void SetClientSecret(std::u16string_view secret);
// Write "USER_LEVEL" / "PRIV_PFVAL" only when the text differs from the cached one.
void SetUserLevel(std::u16string_view level);
void SetPrivPfval(std::u16string_view value);
// Cache only.
void SetUserId(std::string_view uid);
void SetMaxFileSize(std::u16string_view bytes);
void SetSpaceCapacity(std::u16string_view bytes);
void SetUsedSpace(std::u16string_view bytes);
void SetToken(std::u16string_view token);
void SetUserName(std::u16string_view name);
// Cache only; a leading "http://" is removed.
void SetUploadHost(std::u16string_view host);
void SetSyncHost(std::u16string_view host);

// Seconds since 1970 at which the machine booted.
int64_t GetBootTime();

// True when "KEEP_LOGIN" is 1 and "USER_NAME" and "USER_TOKEN" are stored.
bool HasKeptLogin();

// True when a saved login is complete and still valid (kept, or saved since the last
// boot): RestoreSavedLogin would ask the service to confirm it.
bool HasUsableSavedLogin();

// The user-information request that confirms a restored login; returns true on success.
using UserInfoQuery = std::function<bool()>;
// How a restored login is confirmed: the query (without one a saved login cannot be
// confirmed), tried three times with the wait between tries.
struct LoginConfirmation {
    UserInfoQuery query;
    std::chrono::milliseconds retryWait{200};
};

// Restores the saved login when it is complete and still valid (kept, or saved since the
// last boot) and the service confirms it; nonzero on success (and the session is logged in).
int RestoreSavedLogin(CSessionState& session, const LoginConfirmation& confirmation);

// What a successful login stores (the login dialog's completion, or the command-line
// login). Returns false when the token could not be written (the caller tells the user).
struct LoginCompletion {
    bool keepLogin = false;
    std::u16string userName;
    std::u16string token;
    std::string userIdUtf8;
};
bool SaveLoginCompletion(const LoginCompletion& login);

// The full path of the program that hosts the library (default: the running program).
// The install path fallback and the skin folder are derived from it.
void SetHostProgramPath(std::u16string path);
std::u16string GetHostProgramPath();

// Forgets every cached value, so that the next getter reads the stored value again.
void ResetCaches();

}  // namespace settings
