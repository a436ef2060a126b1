#include "launcher/install_setup.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "launcher/launcher_paths.h"
#include "platform/launch.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace launcher {

bool CreateLauncherKeys() {
    return platform::RegistryKey::Create(settings::kFlingaKey).has_value() &&
           platform::RegistryKey::Create(settings::kNorvelKey).has_value();
}

namespace {

// A folder of the system's programs (a package's) is never written for one user, even by
// one who could; nor is an existing folder the user cannot write.
bool IsSystemFolder(const std::string& path) {
    if (path == "/usr" || path.starts_with("/usr/") || path.starts_with("/opt/"))
        return true;
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) && access(path.c_str(), W_OK | X_OK) != 0;
}

// No install path is stored yet and the derived one is not the user's to write: the
// user's data folder is stored instead.
void StoreUserDataPathWhenNeeded(const std::string& launcherPath) {
    const auto stored = settings::ReadString(settings::kNorvelKey, settings::kInstallPath);
    if (stored && !stored->empty())
        return;
    if (!IsSystemFolder(FolderOf(FolderOf(launcherPath))))
        return;
    const std::string own = UserDataInstallPath();
    std::error_code ec;
    if (own.empty() ||
        (std::filesystem::create_directories(own + "/" + std::string(kProgramFolder), ec), ec))
        return;
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath, platform::Utf8ToWide(own));
}

}  // namespace

std::string UserDataInstallPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/norvel";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return {};
    return std::string(home) + "/.local/share/norvel";
}

std::string LauncherInstallPath(const std::string& launcherPath) {
    StoreUserDataPathWhenNeeded(launcherPath);
    // The settings store applies the same rule to its host program.
    settings::SetHostProgramPath(platform::Utf8ToWide(launcherPath));
    return platform::WideToUtf8(settings::GetInstallPath());
}

std::string UpdaterPath(const std::string& installPath) {
    return installPath + "/" + std::string(kProgramFolder) + "/" + std::string(kUpdaterProgram);
}

void StartUpdater(const std::string& installPath) {
    if (installPath.empty())
        return;
    (void)platform::StartDetached({UpdaterPath(installPath)});
}

}  // namespace launcher
