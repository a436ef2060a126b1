// The Debian package made from this build: its files and its control fields.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/launcher_process.h"

using namespace norvel::test;
namespace fs = std::filesystem;

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The paths of `dpkg-deb -c`, one a line, symbolic links as "path -> target".
std::string FileList(const std::string& package) {
    const ProgramResult listing = RunToEnd("/usr/bin/dpkg-deb", {"-c", package});
    std::istringstream lines(listing.output);
    std::string paths;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(" ./");
        if (at != std::string::npos)
            paths += line.substr(at + 2) + "\n";
    }
    return paths;
}

}  // namespace

TEST(DebianPackage, HoldsTheProgramsUnderOnePrefixAndTheDesktopFilesSystemWide) {
    if (!fs::exists("/usr/bin/dpkg-deb") || !fs::exists("/usr/bin/dpkg-shlibdeps"))
        GTEST_SKIP() << "dpkg-deb and dpkg-shlibdeps (dpkg-dev) are needed";
    TempDir out;
    const ProgramResult made = RunToEnd(
        NORVEL_CPACK, {"-G", "DEB", "--config",
                       std::string(NORVEL_BUILD_DIR) + "/CPackConfig.cmake", "-B", out.Path()});
    ASSERT_EQ(made.status, 0) << made.output;
    std::string package;
    for (const auto& entry : fs::directory_iterator(out.Path()))
        if (entry.path().extension() == ".deb")
            package = entry.path().string();
    ASSERT_FALSE(package.empty()) << made.output;
    EXPECT_TRUE(
        fs::path(package).filename().string().starts_with("norvel-flinga_" NORVEL_VERSION "_"));

    const std::string files = FileList(package);
    for (const char* path : {
             "/usr/lib/norvel/Flinga/Norvel_Flinga\n",
             "/usr/lib/norvel/Flinga/libNorvel_flinga.so\n",
             "/usr/lib/norvel/Flinga/norvel-flinga-send\n",
             "/usr/lib/norvel/Flinga/skinwnd-res/uploader/UI.ini\n",
             "/usr/lib/norvel/Flinga/skinwnd-res/uploader/app_icon.png\n",
             "/usr/bin/norvel-flinga-send -> ../lib/norvel/Flinga/norvel-flinga-send\n",
             "/usr/share/applications/norvel-flinga.desktop\n",
             "/usr/share/kio/servicemenus/norvel-flinga.desktop\n",
             "/usr/share/icons/hicolor/16x16/apps/norvel-flinga.png\n",
             "/usr/share/icons/hicolor/256x256/apps/norvel-flinga.png\n",
             "/usr/share/doc/norvel-flinga/copyright\n",
             "/usr/share/doc/norvel-flinga/changelog.gz\n",
             "/usr/share/man/man1/norvel-flinga-send.1.gz\n",
         })
        EXPECT_TRUE(Has(files, path)) << path << "in\n" << files;
    // Nothing of the build or the tests, nothing outside /usr.
    std::istringstream lines(files);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.starts_with("/usr/")) << line;
        EXPECT_FALSE(Has(line, "test") || Has(line, "standin") || Has(line, "/usr/local")) << line;
    }

    const ProgramResult fields = RunToEnd("/usr/bin/dpkg-deb", {"-f", package});
    EXPECT_TRUE(Has(fields.output, "Package: norvel-flinga\n")) << fields.output;
    EXPECT_TRUE(Has(fields.output, "Version: " NORVEL_VERSION "\n"));
    EXPECT_TRUE(Has(fields.output, "Section: net\n"));
    EXPECT_TRUE(Has(fields.output, "Maintainer: "));
    EXPECT_TRUE(Has(fields.output, "Description: one-click uploader for the Norvel cloud disk\n"));
    // What dpkg-shlibdeps found, and the plug-ins Qt loads at run time.
    for (const char* dependency : {"libqt6widgets6", "libcurl4", "libc6", "qt6-qpa-plugins"})
        EXPECT_TRUE(Has(fields.output, dependency)) << dependency << "\n" << fields.output;

    // The system-wide entries call the programs where the package puts them.
    const std::string unpacked = out.File("root");
    ASSERT_EQ(RunToEnd("/usr/bin/dpkg-deb", {"-x", package, unpacked}).status, 0);
    const std::string entry = unpacked + "/usr/share/applications/norvel-flinga.desktop";
    EXPECT_TRUE(Has(ReadFile(entry), "Exec=\"/usr/lib/norvel/Flinga/Norvel_Flinga\" -shortcut\n"));
    EXPECT_TRUE(Has(ReadFile(unpacked + "/usr/share/kio/servicemenus/norvel-flinga.desktop"),
                    "Exec=\"/usr/lib/norvel/Flinga/norvel-flinga-send\" weibo %F\n"));
    if (fs::exists("/usr/bin/desktop-file-validate")) {
        const ProgramResult valid = RunToEnd("/usr/bin/desktop-file-validate", {entry});
        EXPECT_EQ(valid.status, 0) << valid.output;
    }
}
