#include "platform/system.h"
#include "platform/text.h"
#include "settings/log_sink.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "settings_internal.h"
#include "tools/guarded.h"

namespace settings {
namespace {

// Every cached text of the process; getters hand out copies.
struct Cache {
    std::u16string installPath;
    std::u16string userName;
    std::u16string token;
    std::u16string changer;
    std::u16string syncFolder;
    std::u16string clientId;
    std::u16string clientSecret;
    std::u16string channel;
    std::string userId;
    std::u16string userLevel;
    std::u16string privPfval;
    std::u16string maxFileSize;
    std::u16string spaceCapacity;
    std::u16string usedSpace;
    std::u16string uploadHost;
    std::u16string syncHost;
    std::u16string hostProgramPath;
};

tools::Guarded<Cache> g_Cache;

void Store(std::u16string Cache::*field, std::u16string_view value) {
    g_Cache.With([&](Cache& cache) { cache.*field = value; });
}

std::u16string Load(std::u16string Cache::*field) {
    return g_Cache.With([field](const Cache& cache) { return cache.*field; });
}

// What a getter does when the stored value is missing.
enum class OnMissing { Silent, Report };

// Returns the cached text, or fills the cache with what read() finds. The read runs
// outside the lock (it touches the settings file); the first non-empty result wins.
template <typename Read>
std::u16string CachedOrRead(std::u16string Cache::*field, Read read, OnMissing onMissing,
                            std::u16string_view cause) {
    if (std::u16string cached = Load(field); !cached.empty())
        return cached;
    std::optional<std::u16string> found = read();
    if (!found || found->empty()) {
        if (onMissing == OnMissing::Report)
            ReportFailure("READ_RegeditInfo", platform::WideToAnsi(cause));
        return {};
    }
    return g_Cache.With([&](Cache& cache) {
        if ((cache.*field).empty())
            cache.*field = std::move(*found);
        return cache.*field;
    });
}

std::u16string CachedStoredString(std::u16string Cache::*field, std::u16string_view key,
                                  std::u16string_view name, OnMissing onMissing = OnMissing::Silent,
                                  std::u16string_view cause = {}) {
    return CachedOrRead(
        field, [&] { return ReadString(key, name); }, onMissing, cause);
}

// Writes the value only when it differs from the cached copy; the cache follows.
void StoreIfChanged(std::u16string Cache::*field, std::u16string_view name,
                    std::u16string_view value) {
    const bool changed = g_Cache.With([&](Cache& cache) {
        if (cache.*field == value)
            return false;
        cache.*field = value;
        return true;
    });
    if (changed)
        WriteString(kFlingaKey, name, value);
}

std::u16string WithoutHttpPrefix(std::u16string_view host) {
    constexpr std::u16string_view kPrefix = u"http://";
    if (host.substr(0, kPrefix.size()) == kPrefix)
        host.remove_prefix(kPrefix.size());
    return std::u16string(host);
}

// The folder of a path: everything before its last "/" ("" when there is none).
std::u16string ParentOf(const std::u16string& path) {
    const size_t slash = path.find_last_of(u'/');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

}  // namespace

std::u16string GetHostProgramPath() {
    if (std::u16string cached = Load(&Cache::hostProgramPath); !cached.empty())
        return cached;
    const std::u16string path = platform::Utf8ToWide(platform::ExecutablePath());
    Store(&Cache::hostProgramPath, path);
    return path;
}

void SetHostProgramPath(std::u16string path) {
    Store(&Cache::hostProgramPath, path);
}

std::u16string GetInstallPath() {
    return CachedOrRead(&Cache::installPath,
                        []() -> std::optional<std::u16string> {
                            if (auto stored = ReadString(kNorvelKey, kInstallPath);
                                stored && !stored->empty())
                                return stored;
                            // The program lives in <install>/Flinga: the install path is the folder
                            // above the program's folder, the same rule the launcher applies.
                            const std::u16string install = ParentOf(ParentOf(GetHostProgramPath()));
                            if (install.empty())
                                return std::nullopt;
                            WriteString(kNorvelKey, kInstallPath, install);
                            return install;
                        },
                        OnMissing::Silent, {});
}

std::u16string GetUserName() {
    return CachedStoredString(&Cache::userName, kFlingaKey, kUserName, OnMissing::Report,
                              u"读取m_UserName失败！");
}

std::u16string GetToken() {
    return CachedStoredString(&Cache::token, kFlingaKey, kUserToken, OnMissing::Report,
                              u"读取m_Token失败！");
}

std::u16string GetSyncFolder() {
    return CachedStoredString(&Cache::syncFolder, kFerronKey, kSyncFolder, OnMissing::Report,
                              u"读取m_NorvelFolder失败！");
}

std::u16string GetChanger() {
    return CachedOrRead(
        &Cache::changer, []() -> std::optional<std::u16string> { return platform::ComputerName(); },
        OnMissing::Report, u"读取m_Changer失败！");
}

std::u16string GetClientId() {
    return CachedStoredString(&Cache::clientId, kNorvelKey, kClientId);
}

std::u16string GetClientSecret() {
    return CachedStoredString(&Cache::clientSecret, kNorvelKey, kClientSecret);
}

std::u16string GetChannel() {
    return CachedStoredString(&Cache::channel, kFlingaKey, kChannel);
}

std::string GetUserId() {
    return g_Cache.With([](const Cache& cache) { return cache.userId; });
}

std::u16string GetUserLevel() {
    return Load(&Cache::userLevel);
}
std::u16string GetPrivPfval() {
    return Load(&Cache::privPfval);
}
std::u16string GetMaxFileSize() {
    return Load(&Cache::maxFileSize);
}
std::u16string GetSpaceCapacity() {
    return Load(&Cache::spaceCapacity);
}
std::u16string GetUsedSpace() {
    return Load(&Cache::usedSpace);
}
std::u16string GetUploadHost() {
    return Load(&Cache::uploadHost);
}
std::u16string GetSyncHost() {
    return Load(&Cache::syncHost);
}
std::string GetSource() {
    return "5";
}

void SetClientId(std::u16string_view id) {
    Store(&Cache::clientId, id);
    WriteString(kNorvelKey, kClientId, id);
}

void SetClientSecret(std::u16string_view secret) {
    Store(&Cache::clientSecret, secret);
    WriteString(kNorvelKey, kClientSecret, secret);
}

void CacheClientIdentity(std::u16string_view id, std::u16string_view secret) {
    g_Cache.With([&](Cache& cache) {
        cache.clientId = id;
        cache.clientSecret = secret;
    });
}

void SetUserLevel(std::u16string_view level) {
    StoreIfChanged(&Cache::userLevel, kUserLevel, level);
}
void SetPrivPfval(std::u16string_view value) {
    StoreIfChanged(&Cache::privPfval, kPrivPfval, value);
}

void SetUserId(std::string_view uid) {
    g_Cache.With([uid](Cache& cache) { cache.userId = uid; });
}

void SetMaxFileSize(std::u16string_view bytes) {
    Store(&Cache::maxFileSize, bytes);
}
void SetSpaceCapacity(std::u16string_view bytes) {
    Store(&Cache::spaceCapacity, bytes);
}
void SetUsedSpace(std::u16string_view bytes) {
    Store(&Cache::usedSpace, bytes);
}
void SetToken(std::u16string_view token) {
    Store(&Cache::token, token);
}
void SetUserName(std::u16string_view name) {
    Store(&Cache::userName, name);
}
void SetUploadHost(std::u16string_view host) {
    Store(&Cache::uploadHost, WithoutHttpPrefix(host));
}
void SetSyncHost(std::u16string_view host) {
    Store(&Cache::syncHost, WithoutHttpPrefix(host));
}

void ResetCaches() {
    g_Cache.With([](Cache& cache) {
        std::u16string hostProgramPath = std::move(cache.hostProgramPath);
        cache = Cache{};
        cache.hostProgramPath = std::move(hostProgramPath);  // configuration, not a cache
    });
    ResetHeaderTexts();
}

}  // namespace settings
