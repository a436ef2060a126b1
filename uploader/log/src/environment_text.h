#pragma once

// The "System Environment" text of the log file header, from the places where Linux
// keeps these facts:
//   OS=<PRETTY_NAME of os-release>; Browser=<default browser>; CPU=<n> Core <model>;
//   MEM=TotalPhys:<n>MB, AvailPhys:<n>MB; Disk=<mount>, Free Disk:<n>MB, Total Disk:<n>MB
//   ...; Net=Connected|Disconnected

#include <string>
#include <string_view>
#include <vector>

// Where the facts are read; tests point these at files of their own.
struct EnvironmentSources {
    std::vector<std::string> osRelease = {"/etc/os-release", "/usr/lib/os-release"};
    std::string cpuInfo = "/proc/cpuinfo";
    std::string memInfo = "/proc/meminfo";
    std::string mounts = "/proc/self/mounts";
    std::string netDevices = "/sys/class/net";
};

// The whole text, UTF-8.
std::string EnvironmentText(const EnvironmentSources& sources, std::string_view browser);

// PRETTY_NAME (quotes and escapes removed), else NAME, else "Linux".
std::string OsNameFromRelease(std::string_view osRelease);
// The first "model name" of /proc/cpuinfo; empty when there is none.
std::string CpuModelFromInfo(std::string_view cpuInfo);
// "TotalPhys:<n>MB, AvailPhys:<n>MB" from /proc/meminfo (MemAvailable, else MemFree).
std::string MemoryText(std::string_view memInfo);
// Mount points of the file systems that hold data on this machine, in mount order: one
// per device, without pseudo file systems (proc, tmpfs, cgroup ...) and without network
// or user-space file systems, whose servers may not answer.
std::vector<std::string> LocalMountPoints(std::string_view mounts);
// True when a network device other than the loopback reports its link "up".
bool AnyLinkUp(const std::string& netDevices);

// The desktop's default web browser: `xdg-settings get default-web-browser` (run at most
// once per process, with a time-out), else $BROWSER, else "unknown".
std::string DefaultBrowser();
