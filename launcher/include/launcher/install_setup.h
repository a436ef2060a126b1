#pragma once

// What the launcher prepares before it loads the library: the settings keys, the install
// path and the updater.

#include <string>

namespace launcher {

// Creates (or opens) "software\Norvel\Flinga" and "software\Norvel"; false when either
// cannot be made.
[[nodiscard]] bool CreateLauncherKeys();

// The install folder: "INSTALLPATH" under "software\Norvel"; when it is missing, the
// launcher's path without its last two components (<install>/Flinga/Norvel_Flinga gives
// <install>), written back. The install folder also holds what the uploader writes for
// the user (its logs, the saved task list): for a system-wide install (below /usr or
// /opt, as a package's, or a folder the user cannot write) the user's own data folder
// UserDataInstallPath() is stored instead, with its Flinga/ made.
std::string LauncherInstallPath(const std::string& launcherPath);

// ${XDG_DATA_HOME:-~/.local/share}/norvel (a relative XDG_DATA_HOME is ignored); "" when
// there is no home folder.
std::string UserDataInstallPath();

// <install>/Flinga/Norvel_update
std::string UpdaterPath(const std::string& installPath);

// Starts the updater on its own; a missing or failing updater is ignored.
void StartUpdater(const std::string& installPath);

}  // namespace launcher
