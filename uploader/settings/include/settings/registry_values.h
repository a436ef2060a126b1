#pragma once

// The stored settings: key and value names, and the typed reads and writes that every
// part of the library goes through.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// Keys below HKEY_CURRENT_USER.
inline constexpr std::u16string_view kNorvelKey = u"software\\Norvel";
inline constexpr std::u16string_view kFlingaKey = u"software\\Norvel\\Flinga";
inline constexpr std::u16string_view kFerronKey = u"software\\Ferron";  // companion sync client

// Values under software\Norvel.
inline constexpr std::u16string_view kInstallPath = u"INSTALLPATH";
inline constexpr std::u16string_view kClientId = u"CLIENT_ID";
inline constexpr std::u16string_view kClientSecret = u"CLIENT_SECRET";
inline constexpr std::u16string_view kLogLevel = u"LOG_LEVEL";
inline constexpr std::u16string_view kLimitSpeed = u"LIMITSPEED";
inline constexpr std::u16string_view kApiHost = u"API_HOST";
inline constexpr std::u16string_view kWebHost = u"WEB_HOST";
inline constexpr std::u16string_view kDownloadHost = u"DOWNLOAD_HOST";
inline constexpr std::u16string_view kLoginHost = u"LOGIN_HOST";

// Values under software\Norvel\Flinga.
inline constexpr std::u16string_view kUserName = u"USER_NAME";
inline constexpr std::u16string_view kUserToken = u"USER_TOKEN";
inline constexpr std::u16string_view kUserId = u"USER_ID";
inline constexpr std::u16string_view kKeepLogin = u"KEEP_LOGIN";
inline constexpr std::u16string_view kSystemStartTime = u"SYSTEM_STARTTIME";
inline constexpr std::u16string_view kChannel = u"CHANNEL";
inline constexpr std::u16string_view kUserLevel = u"USER_LEVEL";
inline constexpr std::u16string_view kPrivPfval = u"PRIV_PFVAL";
inline constexpr std::u16string_view kMiniTips = u"MINITIPS";
inline constexpr std::u16string_view kAutoLoginWeb = u"AUTO_LOGINWEB";
inline constexpr std::u16string_view kAutoClipboard = u"AUTO_CLIPBOARD";
inline constexpr std::u16string_view kAnonyLink = u"ANONY_LINK";
inline constexpr std::u16string_view kSinaReport = u"SINA_REPORT";
inline constexpr std::u16string_view kSinaFans = u"SINA_FANS";
inline constexpr std::u16string_view kRevalid = u"REVALID";

// Values under software\Ferron.
inline constexpr std::u16string_view kSyncFolder = u"SYNC_FOLDER";

// Longest string value that a read accepts: the read buffer holds 260 bytes, so a
// value of more than 129 wide characters counts as missing.
inline constexpr size_t kMaxStringValue = 129;

// Reads a string value; empty when the key or value is missing, is not a string, or is
// longer than kMaxStringValue.
[[nodiscard]] std::optional<std::u16string> ReadString(std::u16string_view key,
                                                       std::u16string_view name);
[[nodiscard]] std::optional<uint32_t> ReadDword(std::u16string_view key, std::u16string_view name);

// Writes create the key when missing; false when the settings file could not be written.
bool WriteString(std::u16string_view key, std::u16string_view name, std::u16string_view value);
bool WriteDword(std::u16string_view key, std::u16string_view name, uint32_t value);
bool DeleteValue(std::u16string_view key, std::u16string_view name);
bool DeleteAllValues(std::u16string_view key);

// The DWORD value under software\Norvel\Flinga, written with the default when missing.
uint32_t ReadFlingaDwordOrInit(std::u16string_view name, uint32_t defaultValue);

// "LIMITSPEED" under software\Norvel: "upload;download" in KB/s, each clamped to 0..10240;
// 0 (no cap) for a missing or unreadable half.
struct SpeedLimits {
    uint32_t uploadKBps = 0;
    uint32_t downloadKBps = 0;
};
SpeedLimits ReadSpeedLimits();
SpeedLimits ParseSpeedLimits(std::u16string_view text);

}  // namespace settings
