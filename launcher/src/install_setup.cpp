#include "launcher/install_setup.h"

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

std::string LauncherInstallPath(const std::string& launcherPath) {
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
