#include "ui/settings_values.h"

#include <string>

#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "ui/autostart_entry.h"

namespace ui {
namespace {

constexpr std::array<std::u16string_view, 4> kHostNames{
    settings::kApiHost, settings::kWebHost, settings::kDownloadHost, settings::kLoginHost};
constexpr int kMaxSpeedKBps = 10240;
constexpr uint32_t kAllMiniTips = 7;

// host or host:port (also [ipv6]:port); a full http:// or https:// base the store
// understands is kept too, so a value set by hand is not refused on the next save.
bool IsUsableHost(const QString& text) {
    settings::ServiceHost parsed;
    const bool base =
        text.startsWith(QStringLiteral("http://")) || text.startsWith(QStringLiteral("https://"));
    if (!base && (text.contains(u'/') || text.contains(u' ')))
        return false;
    return settings::ParseServiceHost(text.toStdU16String(), parsed);
}

// A whole number of KB/s from 0 to the store's largest; -1 when it is not one.
int SpeedOf(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= kMaxSpeedKBps ? value : -1;
}

}  // namespace

const std::array<QString, 4>& HostLabels() {
    static const std::array<QString, 4> labels{
        QStringLiteral("接口服务器"), QStringLiteral("网页服务器"), QStringLiteral("下载服务器"),
        QStringLiteral("登录服务器")};
    return labels;
}

CSettingsValues CSettingsValues::Load() {
    CSettingsValues values;
    for (size_t i = 0; i < kHostNames.size(); ++i)
        values.hosts[i] = QString::fromStdU16String(
            settings::ReadString(settings::kNorvelKey, kHostNames[i]).value_or(u""));
    values.uploadKBps = QString::number(settings::ReadSpeedLimits().uploadKBps);
    values.autoClipboard =
        settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard).value_or(0) == 1;
    values.autostart = AutostartEnabled();
    return values;
}

QString CSettingsValues::Check() const {
    for (size_t i = 0; i < hosts.size(); ++i) {
        const QString host = hosts[i].trimmed();
        if (!host.isEmpty() && !IsUsableHost(host))
            return HostLabels()[i] + QStringLiteral("的地址无效，\n请填写 主机 或 主机:端口");
    }
    if (SpeedOf(uploadKBps) < 0)
        return QStringLiteral("上传限速须为 0 到 %1 之间\n的整数（KB/s，0 为不限速）")
            .arg(kMaxSpeedKBps);
    return {};
}

bool CSettingsValues::Save(const QString& launcherPath) const {
    bool ok = true;
    for (size_t i = 0; i < hosts.size(); ++i) {
        const QString host = hosts[i].trimmed();
        ok &= host.isEmpty() ? (settings::DeleteValue(settings::kNorvelKey, kHostNames[i]) ||
                                !settings::ReadString(settings::kNorvelKey, kHostNames[i]))
                             : settings::WriteString(settings::kNorvelKey, kHostNames[i],
                                                     host.toStdU16String());
    }
    // The download half of "LIMITSPEED" stays as it was.
    const uint32_t download = settings::ReadSpeedLimits().downloadKBps;
    ok &= settings::WriteString(
        settings::kNorvelKey, settings::kLimitSpeed,
        (QString::number(SpeedOf(uploadKBps)) + u';' + QString::number(download)).toStdU16String());
    ok &=
        settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, autoClipboard ? 1 : 0);
    if (autostart != AutostartEnabled())
        ok &= SetAutostart(autostart, launcherPath);
    return ok;
}

bool ResetMiniTips() {
    return settings::WriteDword(settings::kFlingaKey, settings::kMiniTips, kAllMiniTips);
}

}  // namespace ui
