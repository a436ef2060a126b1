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
          m_Thunar(std::string(std::getenv("XDG_CONFIG_HOME")) + "/Thunar/uca.xml") {}
    ~InstallDesktopTest() override { RunToEnd("/bin/bash", {kScript, "--uninstall"}); }

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
    EXPECT_NE(entry.find("Exec=\"" + flinga + "/Norvel_Flinga\" -shortcut\n"), std::string::npos) << entry;

    for (const auto& [label, command] : std::vector<std::pair<std::string, std::string>>{
             {"Upload to Norvel", "upload"}, {"Share link", "share"}, {"Post to Sina Weibo", "weibo"}}) {
        const std::string script = m_Data + "/nautilus/scripts/" + label;
        EXPECT_EQ(ReadFile(script).substr(ReadFile(script).find("exec")),
                  "exec " + send + " " + command + " \"$@\"\n");
        EXPECT_TRUE((fs::status(script).permissions() & fs::perms::owner_exec) != fs::perms::none);
        EXPECT_NE(ReadFile(m_Data + "/kio/servicemenus/norvel-flinga.desktop")
                      .find("Name=" + label + "\nIcon=folder-remote\nExec=" + send + " " + command + " %F\n"),
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
    WriteFile(m_Thunar, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + own + "</actions>\n");
    ASSERT_EQ(Install({"--in-place"}).status, 0);
    ASSERT_EQ(Install({"--in-place"}).status, 0);
    std::string actions = ReadFile(m_Thunar);
    EXPECT_NE(actions.find(own), std::string::npos);
    EXPECT_EQ(Occurrences(actions, "<action>"), 4u);
    EXPECT_EQ(Occurrences(actions, "<unique-id>norvel-flinga-upload</unique-id>"), 1u);
    EXPECT_EQ(actions.substr(actions.size() - 11), "</actions>\n");
    // In place: the commands call the built programs.
    EXPECT_NE(actions.find(std::string(NORVEL_BUILD_DIR) + "/Flinga/norvel-flinga-send\" upload %F"),
              std::string::npos);

    ASSERT_EQ(RunToEnd("/bin/bash", {kScript, "--uninstall"}).status, 0);
    EXPECT_EQ(ReadFile(m_Thunar), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + own + "</actions>\n");
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
