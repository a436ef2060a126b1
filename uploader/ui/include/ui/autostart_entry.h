#pragma once

// Start at login: the XDG autostart entry $XDG_CONFIG_HOME/autostart/norvel-flinga.desktop
// (~/.config when the variable is not set), which starts the launcher as the menu entry
// does ("-shortcut": the mini window).

#include <QString>

namespace ui {

QString AutostartEntryPath();
bool AutostartEnabled();
// Writes the entry for the launcher at launcherPath, or removes it; false when the file
// could not be written or removed.
bool SetAutostart(bool enabled, const QString& launcherPath);
// The launcher of this installation: <install path>/Flinga/Norvel_Flinga.
QString InstalledLauncherPath();

}  // namespace ui
