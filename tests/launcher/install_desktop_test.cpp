// scripts/install-desktop.sh: the programs and the file managers' entries, for one user.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/launcher_process.h"

using namespace norvel::test;
namespace fs = std::filesystem;

namespace {

const std::string kScript = std::string(NORVEL_SOURCE_DIR) + "/scripts/install-desktop.sh";

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class InstallDesktopTest : public ::testing::Test {
protected:
    InstallDesktopTest()
        : m_Data(std::string(std::getenv("HOME")) + "/.local/share"),
          m_Thunar(std::string(std::getenv("XDG_CONFIG_HOME")) + "/Thunar/uca.xml") {
        setenv("LC_ALL", "C.UTF-8", 1);  // English labels unless a test asks for others
    }
    ~InstallDesktopTest() override {
        RunToEnd("/bin/bash", {kScript, "--uninstall"});
        unsetenv("LC_ALL");
    }

    ProgramResult Install(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {kScript, "--from", NORVEL_BUILD_DIR});
        return RunToEnd("/bin/bash", arguments);
    }

    std::string m_Data;
    std::string m_Thunar;
};

}  // namespace

TEST_F(InstallDesktopTest, InstallsTheProgramsTheMenuEntryAndTheThreeCommandsEverywhere) {
    const ProgramResult result = Install({});
    ASSERT_EQ(result.status, 0) << result.output;
    const std::string flinga = m_Data + "/norvel/Flinga";
    for (const char* program : {"Norvel_Flinga", "libNorvel_flinga.so", "norvel-flinga-send"})
        EXPECT_TRUE(fs::exists(flinga + "/" + program)) << program;
    const std::string send = "\"" + flinga + "/norvel-flinga-send\"";

    const std::string entry = ReadFile(m_Data + "/applications/norvel-flinga.desktop");
    EXPECT_NE(entry.find("Exec=\"" + flinga + "/Norvel_Flinga\" -shortcut\n"), std::string::npos)
        << entry;

    for (const auto& [label, command] :
         std::vector<std::pair<std::string, std::string>>{{"Upload to Norvel", "upload"},
                                                          {"Share link", "share"},
                                                          {"Post to Sina Weibo", "weibo"}}) {
        const std::string script = m_Data + "/nautilus/scripts/" + label;
        EXPECT_EQ(ReadFile(script).substr(ReadFile(script).find("exec")),
                  "exec " + send + " " + command + " \"$@\"\n");
        EXPECT_TRUE((fs::status(script).permissions() & fs::perms::owner_exec) != fs::perms::none);
        EXPECT_NE(ReadFile(m_Data + "/kio/servicemenus/norvel-flinga.desktop")
                      .find("Name=" + label + "\n"),
                  std::string::npos);
        EXPECT_NE(ReadFile(m_Data + "/kio/servicemenus/norvel-flinga.desktop")
                      .find("\nIcon=norvel-flinga\nExec=" + send + " " + command + " %F\n"),
                  std::string::npos);
        EXPECT_NE(ReadFile(m_Thunar).find("<unique-id>norvel-flinga-" + command + "</unique-id>"),
                  std::string::npos);
    }
}

TEST_F(InstallDesktopTest, ThunarKeepsTheUsersOwnActionsAndOursAppearOnce) {
    fs::create_directories(fs::path(m_Thunar).parent_path());
    const std::string own =
        "<action>\n\t<name>Open Terminal Here</name>\n\t<unique-id>1234-1</unique-id>\n"
        "\t<command>exo-open --working-directory %f</command>\n\t<directories/>\n</action>\n";
    WriteFile(m_Thunar,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + own + "</actions>\n");
    ASSERT_EQ(Install({"--in-place"}).status, 0);
    ASSERT_EQ(Install({"--in-place"}).status, 0);
    std::string actions = ReadFile(m_Thunar);
    EXPECT_NE(actions.find(own), std::string::npos);
    EXPECT_EQ(Occurrences(actions, "<action>"), 4u);
    EXPECT_EQ(Occurrences(actions, "<unique-id>norvel-flinga-upload</unique-id>"), 1u);
    EXPECT_EQ(actions.substr(actions.size() - 11), "</actions>\n");
    // In place: the commands call the built programs.
    EXPECT_NE(
        actions.find(std::string(NORVEL_BUILD_DIR) + "/Flinga/norvel-flinga-send\" upload %F"),
        std::string::npos);

    ASSERT_EQ(RunToEnd("/bin/bash", {kScript, "--uninstall"}).status, 0);
    EXPECT_EQ(ReadFile(m_Thunar),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + own + "</actions>\n");
    EXPECT_FALSE(fs::exists(m_Data + "/applications/norvel-flinga.desktop"));
    EXPECT_FALSE(fs::exists(m_Data + "/nautilus/scripts/Share link"));
    EXPECT_FALSE(fs::exists(m_Data + "/kio/servicemenus/norvel-flinga.desktop"));
}

TEST_F(InstallDesktopTest, AFolderTheEntriesCannotCarryIsRefused) {
    TempDir dir;
    const ProgramResult result = Install({"--prefix", dir.File("a\"b")});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("cannot carry"), std::string::npos) << result.output;
    EXPECT_NE(Install({"--from", dir.Path()}).status, 0);  // no built launcher there
}

TEST_F(InstallDesktopTest,
       TheDesktopFindsTheIconTheCommandAndItsLanguageAndUninstallSaysWhatStays) {
    ASSERT_EQ(Install({}).status, 0);
    const std::string flinga = m_Data + "/norvel/Flinga";
    const std::string home = std::getenv("HOME");
    const std::string entryPath = m_Data + "/applications/norvel-flinga.desktop";
    const std::string entry = ReadFile(entryPath);
    for (const char* line : {"Icon=norvel-flinga\n", "StartupWMClass=Norvel_Flinga\n",
                             "Name[zh_CN]=Norvel网盘Flinga\n", "GenericName=", "Keywords="})
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(fs::exists(m_Data + "/icons/hicolor/" + size + "/apps/norvel-flinga.png"))
            << size;
    EXPECT_EQ(fs::read_symlink(home + "/.local/bin/norvel-flinga-send"),
              flinga + "/norvel-flinga-send");
    if (fs::exists("/usr/bin/desktop-file-validate")) {
        const ProgramResult valid = RunToEnd("/usr/bin/desktop-file-validate", {entryPath});
        EXPECT_EQ(valid.status, 0) << valid.output;
        EXPECT_EQ(valid.output, "");
    }
    EXPECT_NE(ReadFile(m_Thunar).find("post them to Sina Weibo"), std::string::npos);

    // A Chinese locale gives Chinese labels, and the English ones go.
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    ASSERT_EQ(Install({}).status, 0);
    EXPECT_TRUE(fs::exists(m_Data + "/nautilus/scripts/上传到Norvel网盘"));
    EXPECT_FALSE(fs::exists(m_Data + "/nautilus/scripts/Upload to Norvel"));
    EXPECT_NE(ReadFile(m_Thunar).find("<name>分享到新浪微博</name>"), std::string::npos);
    EXPECT_EQ(Occurrences(ReadFile(m_Thunar), "<action>"), 3u);

    // Uninstalling keeps what the user made (settings with the login, logs, tasks) and
    // says so; a purge takes those too.
    const std::string settingsFile = std::getenv("NORVEL_REGISTRY");
    const bool hadSettings = fs::exists(settingsFile);
    const std::string backup = ReadFile(settingsFile);
    if (!hadSettings) {
        fs::create_directories(fs::path(settingsFile).parent_path());
        WriteFile(settingsFile, "Windows Registry Editor Version 5.00\n");
    }
    fs::create_directories(m_Data + "/norvel/Log");
    WriteFile(m_Data + "/norvel/Flinga/uploader.dat", "tasks");
    ProgramResult result = RunToEnd("/bin/bash", {kScript, "--uninstall"});
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("left: the settings with the saved login (" + settingsFile + ")"),
              std::string::npos)
        << result.output;
    EXPECT_FALSE(fs::exists(flinga + "/Norvel_Flinga"));
    EXPECT_FALSE(fs::exists(home + "/.local/bin/norvel-flinga-send"));
    EXPECT_FALSE(fs::exists(m_Data + "/icons/hicolor/48x48/apps/norvel-flinga.png"));
    EXPECT_FALSE(fs::exists(m_Data + "/nautilus/scripts/上传到Norvel网盘"));
    EXPECT_TRUE(fs::exists(flinga + "/uploader.dat"));
    EXPECT_TRUE(fs::exists(m_Data + "/norvel/Log"));
    EXPECT_TRUE(fs::exists(settingsFile));

    result = RunToEnd("/bin/bash", {kScript, "--uninstall", "--purge"});
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(fs::exists(flinga + "/uploader.dat"));
    EXPECT_FALSE(fs::exists(m_Data + "/norvel/Log"));
    EXPECT_FALSE(fs::exists(settingsFile));
    if (hadSettings) {
        fs::create_directories(fs::path(settingsFile).parent_path());
        WriteFile(settingsFile, backup);  // the other tests of this program share it
    }

    EXPECT_NE(RunToEnd("/bin/bash", {kScript, "--purge"}).status, 0);
    result = RunToEnd("/bin/bash", {kScript, "--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("--purge"), std::string::npos);
    EXPECT_EQ(result.output.find("set -euo"), std::string::npos);
}
