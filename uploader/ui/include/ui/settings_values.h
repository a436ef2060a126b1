#pragma once

// The values the settings page edits, read from and written to the settings store only.

#include <QString>
#include <array>

namespace ui {

struct CSettingsValues {
    // "API_HOST", "WEB_HOST", "DOWNLOAD_HOST", "LOGIN_HOST"; empty: the default service.
    std::array<QString, 4> hosts;
    QString uploadKBps;  // the upload half of "LIMITSPEED"; 0 is no cap
    bool autoClipboard = false;
    bool autostart = false;

    static CSettingsValues Load();
    // The message that tells the user what is wrong, or empty when every value can be
    // stored.
    QString Check() const;
    // Writes every value (after Check() found nothing); false when a write failed.
    bool Save(const QString& launcherPath) const;
};

// The names the page shows for the four hosts, in the order of CSettingsValues::hosts.
const std::array<QString, 4>& HostLabels();

// Shows the hints of the mini window again ("MINITIPS" back to all hints).
bool ResetMiniTips();

}  // namespace ui
