#include "launcher/install_setup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/test_env.h"

using norvel::test::TempDir;

namespace {

std::optional<std::u16string> StoredInstallPath() {
    const auto key = platform::RegistryKey::Open(settings::kNorvelKey);
    return key ? key->ReadString(settings::kInstallPath) : std::nullopt;
}

}  // namespace

TEST(InstallSetup, TheKeysAreCreated) {
    ASSERT_TRUE(launcher::CreateLauncherKeys());
    EXPECT_TRUE(platform::RegistryKey::Open(u"software\\Norvel\\Flinga"));
    EXPECT_TRUE(platform::RegistryKey::Open(u"software\\Norvel"));
}

TEST(InstallSetup, AMissingInstallPathIsTheLaunchersFolderWithoutItsLastTwoParts) {
    settings::ResetCaches();
    ASSERT_TRUE(launcher::CreateLauncherKeys());
    platform::RegistryKey::Open(settings::kNorvelKey)->DeleteValue(settings::kInstallPath);
    EXPECT_EQ(launcher::LauncherInstallPath("/P/Flinga/Norvel_Flinga"), "/P");
    EXPECT_EQ(StoredInstallPath(), u"/P");
    EXPECT_EQ(launcher::UpdaterPath("/P"), "/P/Flinga/Norvel_update");

    // A stored value wins.
    settings::ResetCaches();
    platform::RegistryKey::Open(settings::kNorvelKey)
        ->WriteString(settings::kInstallPath, u"/opt/norvel");
    EXPECT_EQ(launcher::LauncherInstallPath("/P/Flinga/Norvel_Flinga"), "/opt/norvel");
}

TEST(InstallSetup, ASystemWideInstallKeepsTheUsersDataInTheUsersDataFolder) {
    ASSERT_TRUE(launcher::CreateLauncherKeys());
    unsetenv("XDG_DATA_HOME");  // below the test's own home folder
    const std::string own = launcher::UserDataInstallPath();
    ASSERT_EQ(own, std::string(std::getenv("HOME")) + "/.local/share/norvel");  // no XDG_DATA_HOME
    for (const char* launcherPath :
         {"/usr/lib/norvel/Flinga/Norvel_Flinga", "/opt/norvel/Flinga/Norvel_Flinga"}) {
        settings::ResetCaches();
        platform::RegistryKey::Open(settings::kNorvelKey)->DeleteValue(settings::kInstallPath);
        EXPECT_EQ(launcher::LauncherInstallPath(launcherPath), own) << launcherPath;
        EXPECT_EQ(StoredInstallPath(), platform::Utf8ToWide(own));
        EXPECT_TRUE(std::filesystem::is_directory(own + "/Flinga"));
    }
    setenv("XDG_DATA_HOME", "/data/of/user", 1);
    EXPECT_EQ(launcher::UserDataInstallPath(), "/data/of/user/norvel");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(launcher::UserDataInstallPath(), own);
    unsetenv("XDG_DATA_HOME");
    // A user's own install elsewhere keeps the old rule.
    settings::ResetCaches();
    platform::RegistryKey::Open(settings::kNorvelKey)->DeleteValue(settings::kInstallPath);
    EXPECT_EQ(launcher::LauncherInstallPath("/home/u/apps/Flinga/Norvel_Flinga"), "/home/u/apps");
    std::filesystem::remove_all(own);
}

TEST(InstallSetup, TheUpdaterIsStartedAndAMissingOneIsIgnored) {
    TempDir install;
    std::filesystem::create_directories(install.File("Flinga"));
    launcher::StartUpdater(install.Path());  // missing: nothing happens

    const std::string updater = launcher::UpdaterPath(install.Path());
    norvel::test::WriteFile(updater, "#!/bin/sh\necho started > \"$(dirname \"$0\")/marker\"\n");
    std::filesystem::permissions(updater, std::filesystem::perms::owner_all);
    launcher::StartUpdater(install.Path());
    for (int i = 0; i < 250 && !std::filesystem::exists(install.File("Flinga/marker")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(norvel::test::ReadFile(install.File("Flinga/marker")), "started\n");
}
