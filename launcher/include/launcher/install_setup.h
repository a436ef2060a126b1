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
// <install>), written back.
std::string LauncherInstallPath(const std::string& launcherPath);

// <install>/Flinga/Norvel_update
std::string UpdaterPath(const std::string& installPath);

// Starts the updater on its own; a missing or failing updater is ignored.
void StartUpdater(const std::string& installPath);

}  // namespace launcher
