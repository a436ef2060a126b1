// The launcher as a program: single instance, start-up rules, relaying requests to the
// library, and its ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "intake/request_entry.h"
#include "launcher/launcher_paths.h"
#include "launcher/norvel_flinga_app.h"
#include "launcher/pipe_record.h"
#include "platform/fifo_event.h"
#include "platform/packet_socket.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "support/host_window.h"
#include "support/launcher_process.h"

using namespace std::chrono_literals;
using namespace norvel::test;

namespace {

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// A plug-in client: wakes the listener, writes the records and closes.
void SendRecords(const std::vector<intake::UploadRequestEntry>& entries) {
    platform::FifoEvent::SetNamed(launcher::WakeEventPath(platform::RuntimeDir()));
    auto client = platform::PacketConnection::Connect(PluginSocketPath(), 10000);
    ASSERT_TRUE(client);
    for (const auto& entry : entries) {
        const auto bytes = launcher::RecordBytes(entry);
        ASSERT_EQ(client->Send({bytes.data(), bytes.size()}, 10000), platform::WaitResult::Ready);
    }
}

std::string LockHolder() {
    return ReadFile(launcher::InstanceLockPath(platform::RuntimeDir()));
}

}  // namespace

TEST(LauncherProcess, ASecondLauncherEndsAtOnceAndTheFirstGoesOnServing) {
    InstallTree install;
    auto first = StartLauncher(install, {"-request"});
    const std::string holder = LockHolder();
    const ProgramResult second = RunToEnd(install.Launcher(), {});
    EXPECT_EQ(second.status, launcher::kExitNormal);
    EXPECT_EQ(second.output, "");
    EXPECT_EQ(LockHolder(), holder);

    SendRecords({TestEntry(1, u"a.txt")});
    EXPECT_TRUE(WaitUntil(
        [&] { return HasLine(install.Record(), "SetUpLoadTask kind=1 count=1 names=a.txt"); }));
    // The second copy neither showed the mini window nor touched the first one's library.
    EXPECT_EQ(Count(install.Record(), "SetUpLoadTask none"), 0u);
    EXPECT_FALSE(first->Wait(0ms));
}

TEST(LauncherProcess, RecordsReachTheLibraryAsOneBatchWithTheirKind) {
    InstallTree install;
    auto launcher = StartLauncher(install, {"-request"});
    SendRecords({TestEntry(1, u"a"), TestEntry(1, u"b"), TestEntry(1, u"c")});
    EXPECT_TRUE(WaitUntil([&] {
        return HasLine(install.Record(), "SetUpLoadTask kind=1 count=3 names=a|b|c");
    })) << launcher->Output();
    SendRecords({TestEntry(intake::kShareLinkRequest, u"share.pdf")});
    EXPECT_TRUE(WaitUntil(
        [&] { return HasLine(install.Record(), "SetUpLoadTask kind=2 count=1 names=share.pdf"); }));
}

TEST(LauncherProcess, TheMiniWindowIsShownOnlyWhenTheUserStartedTheProgram) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"-shortcut"}}) {
        InstallTree install;
        auto launcher = StartLauncher(install, arguments);
        EXPECT_TRUE(WaitUntil([&] { return HasLine(install.Record(), "SetUpLoadTask none"); }));
    }
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-request"}, std::vector<std::string>{"-Shortcut"}}) {
        InstallTree install;
        auto launcher = StartLauncher(install, arguments);
        launcher->Signal("TERM");
        ASSERT_TRUE(launcher->Wait(20s));
        EXPECT_FALSE(HasLine(install.Record(), "SetUpLoadTask none"));
    }
}

TEST(LauncherProcess, AMissingInstallPathIsWrittenAndTheUpdaterStarted) {
    InstallTree install;
    ASSERT_TRUE(
        platform::RegistryKey::Create(settings::kNorvelKey)->DeleteValue(settings::kInstallPath) ||
        true);
    WriteFile(install.Folder() + "/Norvel_update",
              "#!/bin/sh\ntouch \"$(dirname \"$0\")/updater-ran\"\n");
    std::filesystem::permissions(install.Folder() + "/Norvel_update",
                                 std::filesystem::perms::owner_all);
    auto launcher = StartLauncher(install, {"-request"});
    const auto stored =
        platform::RegistryKey::Open(settings::kNorvelKey)->ReadString(settings::kInstallPath);
    EXPECT_EQ(stored, platform::Utf8ToWide(install.Root()));
    EXPECT_TRUE(
        WaitUntil([&] { return std::filesystem::exists(install.Folder() + "/updater-ran"); }));
}

TEST(LauncherProcess, AMissingLibraryIsReportedAndEndsTheLauncher) {
    InstallTree install(LibraryKind::None);
    const ProgramResult result = RunToEnd(install.Launcher(), {"-request"});
    EXPECT_EQ(result.status, launcher::kExitLibraryMissing);
    EXPECT_EQ(result.output.rfind(launcher::kLibraryMissingMessage, 0), 0u) << result.output;
    EXPECT_FALSE(std::filesystem::exists(PluginSocketPath()));

    // A file that is no library, or lacks an export, is as good as missing.
    WriteFile(install.Folder() + "/" + std::string(launcher::kLibraryFile), "not a library");
    EXPECT_EQ(RunToEnd(install.Launcher(), {"-request"}).status, launcher::kExitLibraryMissing);
}

TEST(LauncherProcess, TheLibraryAskingTheHostToCloseEndsTheLauncherInOrder) {
    InstallTree install;
    auto launcher = StartLauncher(install, {"-request"});
    SendRecords({TestEntry(1, u"close-host")});
    const auto status = launcher->Wait(20s);
    ASSERT_TRUE(status) << launcher->Output();
    EXPECT_EQ(*status, launcher::kExitNormal);
    const auto record = install.Record();
    ASSERT_GE(record.size(), 3u);
    EXPECT_EQ(record[record.size() - 2], "CloseAllWnd");
    EXPECT_EQ(record.back(), "unload");
    EXPECT_EQ(launcher->Output().find("threads still run"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PluginSocketPath()));
    EXPECT_FALSE(std::filesystem::exists(ControlSocketPathForTests()));
}

TEST(LauncherProcess, TerminationSavesOnceClosesTheLibraryAndLeavesNoThread) {
    InstallTree install;
    auto launcher = StartLauncher(install, {"-request"});
    SendRecords({TestEntry(1, u"a")});  // the library now has a main window
    ASSERT_TRUE(WaitUntil([&] { return install.Record().size() == 1; }));
    launcher->Signal("TERM");
    launcher->Signal("TERM");
    launcher->Signal("INT");
    const auto status = launcher->Wait(20s);
    ASSERT_TRUE(status) << launcher->Output();
    EXPECT_EQ(*status, launcher::kExitNormal);
    const auto record = install.Record();
    EXPECT_EQ(Count(record, "save"), 1u);
    EXPECT_EQ(Count(record, "CloseAllWnd"), 1u);
    EXPECT_EQ(record.back(), "unload");
    EXPECT_EQ(launcher->Output().find("threads still run"), std::string::npos)
        << launcher->Output();
}

TEST(LauncherProcess, TerminationBeforeAnyRequestEndsWithoutSaving) {
    InstallTree install;
    auto launcher = StartLauncher(install, {"-request"});
    launcher->Signal("TERM");
    const auto status = launcher->Wait(20s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, launcher::kExitNormal);
    EXPECT_EQ(install.Record(), (std::vector<std::string>{"CloseAllWnd", "unload"}));
}

TEST(LauncherProcess, StaleFilesOfACrashedLauncherDoNotStopTheNextOne) {
    InstallTree install;
    {
        auto crashed = StartLauncher(install, {"-request"});
        crashed->Signal("KILL");
        ASSERT_TRUE(crashed->Wait(20s));
    }
    ASSERT_TRUE(std::filesystem::exists(PluginSocketPath()));  // left behind
    auto launcher = StartLauncher(install, {"-request"});
    SendRecords({TestEntry(1, u"after-crash")});
    EXPECT_TRUE(WaitUntil([&] {
        return HasLine(install.Record(), "SetUpLoadTask kind=1 count=1 names=after-crash");
    })) << launcher->Output();
}
