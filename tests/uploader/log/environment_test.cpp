// The environment text of the header and where its figures come from.

#include "environment_text.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_env.h"
#include "text_pattern.h"

namespace fs = std::filesystem;
using norvel::test::TempDir;
using norvel::test::WriteFile;

TEST(EnvironmentTextTest, OsNameComesFromPrettyNameElseName) {
    EXPECT_EQ(OsNameFromRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                "(bookworm)\"\nID=debian\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OsNameFromRelease("NAME='Arch Linux'\n"), "Arch Linux");
    EXPECT_EQ(OsNameFromRelease("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$x\"\n"), "Say \"hi\" \\ $x");
    EXPECT_EQ(OsNameFromRelease("PRETTY_NAME=Plain\r\n"), "Plain");
    EXPECT_EQ(OsNameFromRelease("# PRETTY_NAME=no\nID=x\n"), "Linux");
    EXPECT_EQ(OsNameFromRelease(""), "Linux");
}

TEST(EnvironmentTextTest, CpuModelIsTheFirstModelName) {
    EXPECT_EQ(
        CpuModelFromInfo("processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel\t\t: 1\n"
                         "model name\t: AMD EPYC 7B13\nprocessor\t: 1\nmodel name\t: other\n"),
        "AMD EPYC 7B13");
    EXPECT_EQ(CpuModelFromInfo("processor : 0\nHardware : BCM2835\n"), "");
}

TEST(EnvironmentTextTest, MemoryIsInMegabytes) {
    EXPECT_EQ(MemoryText("MemTotal:       24683772 kB\nMemFree:  1000 kB\n"
                         "MemAvailable:   23768832 kB\n"),
              "TotalPhys:24105MB, AvailPhys:23211MB");
    EXPECT_EQ(MemoryText("MemTotal: 2097152 kB\nMemFree: 1048576 kB\n"),
              "TotalPhys:2048MB, AvailPhys:1024MB");
    EXPECT_EQ(MemoryText(""), "TotalPhys:0MB, AvailPhys:0MB");
}

TEST(EnvironmentTextTest, OnlyLocalFileSystemsCountAsDisks) {
    const char* mounts =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "/dev/vda / ext4 rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/vdb1 /media/My\\040Disk vfat rw 0 0\n"
        "/dev/vda /etc/hosts ext4 rw 0 0\n"
        "server:/export /mnt/nfs nfs4 rw 0 0\n"
        "sshfs#me@host: /mnt/ssh fuse.sshfs rw 0 0\n"
        "/dev/sdc1 /mnt/ntfs fuseblk rw 0 0\n"
        "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
        "overlay /var/lib/containers overlay rw 0 0\n"
        "broken-line\n";
    EXPECT_EQ(
        LocalMountPoints(mounts),
        (std::vector<std::string>{"/", "/media/My Disk", "/mnt/ntfs", "/var/lib/containers"}));
}

TEST(EnvironmentTextTest, TheNetworkIsUpWhenALinkOtherThanLoopbackIs) {
    TempDir net;
    for (const char* device : {"lo", "eth0", "wlan0"})
        fs::create_directory(net.File(device));
    WriteFile(net.File("lo/operstate"), "up\n");
    WriteFile(net.File("eth0/operstate"), "down\n");
    WriteFile(net.File("wlan0/operstate"), "dormant\n");
    EXPECT_FALSE(AnyLinkUp(net.Path()));
    WriteFile(net.File("wlan0/operstate"), "up\n");
    EXPECT_TRUE(AnyLinkUp(net.Path()));
    EXPECT_FALSE(AnyLinkUp(net.File("missing")));
}

TEST(EnvironmentTextTest, TheWholeTextNamesEachFigure) {
    TempDir dir;
    EnvironmentSources sources;
    sources.osRelease = {dir.File("missing"), dir.File("os-release")};
    sources.cpuInfo = dir.File("cpuinfo");
    sources.memInfo = dir.File("meminfo");
    sources.mounts = dir.File("mounts");
    sources.netDevices = dir.File("net");
    WriteFile(sources.osRelease[1], "PRETTY_NAME=\"Test OS 1\"\n");
    WriteFile(sources.cpuInfo, "model name\t: Test CPU @ 2.00GHz\n");
    WriteFile(sources.memInfo, "MemTotal: 4194304 kB\nMemAvailable: 2097152 kB\n");
    WriteFile(sources.mounts,
              "/dev/x " + dir.Path() + " ext4 rw 0 0\n/dev/y /no/such ext4 rw 0 0\n");
    fs::create_directories(dir.File("net/eth0"));
    WriteFile(dir.File("net/eth0/operstate"), "up\n");
    const std::string text = EnvironmentText(sources, "firefox.desktop");
    // A mount point that cannot be asked is left out.
    EXPECT_TRUE(MatchesPattern(text,
                               "OS=Test OS 1; Browser=firefox.desktop; CPU=# Core Test CPU @ "
                               "2.00GHz; MEM=TotalPhys:4096MB, AvailPhys:2048MB; Disk=" +
                                   dir.Path() +
                                   ", Free Disk:#MB, Total Disk:#MB; "
                                   "Net=Connected"))
        << text;
    EXPECT_EQ(text.find("Total Disk:0MB"), std::string::npos);
}

TEST(EnvironmentTextTest, TheDefaultBrowserIsAskedForOnce) {
    const std::string first = DefaultBrowser();
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first.find('\n'), std::string::npos);
    EXPECT_EQ(DefaultBrowser(), first);
}
