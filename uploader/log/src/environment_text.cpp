#include "environment_text.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr uint64_t kBytesPerMB = 1024 * 1024;

// File systems that hold no data of their own, or whose answers may hang on a server
// that is gone. "fuseblk" (a block device driven from user space) is a local disk.
constexpr std::string_view kSkippedTypes[] = {
    "proc",       "sysfs",      "devtmpfs",  "devpts",   "tmpfs",       "ramfs",   "cgroup",
    "cgroup2",    "securityfs", "pstore",    "bpf",      "debugfs",     "tracefs", "configfs",
    "fusectl",    "mqueue",     "hugetlbfs", "autofs",   "binfmt_misc", "nsfs",    "efivarfs",
    "rpc_pipefs", "nfsd",       "selinuxfs", "squashfs", "nfs",         "nfs4",    "cifs",
    "smb3",       "smbfs",      "9p",        "ceph",     "glusterfs",   "fuse",
};

// Far above any system file read here: /proc/cpuinfo of a large machine is well below.
constexpr uint64_t kLargestSystemFile = 16 << 20;

// The text of a system file; empty when it cannot be read.
std::string ReadSystemFile(const std::string& path) {
    return platform::ReadWholeFile(platform::Utf8ToWide(path), kLargestSystemFile)
        .value_or(std::string());
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Calls visit(line) for each line of the text.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

// An os-release value: shell-like quotes removed, backslash escapes resolved.
std::string Unquote(std::string_view value) {
    value = TrimBlanks(value);
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') ||
        value.back() != value.front())
        return std::string(value);
    const bool escapes = value.front() == '"';
    value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (escapes && value[i] == '\\' && i + 1 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

// The value of "key=value" lines (os-release) or "key : value" lines (cpuinfo, meminfo).
std::string ValueOf(std::string_view text, std::string_view key, char separator) {
    std::string found;
    bool seen = false;
    ForEachLine(text, [&](std::string_view line) {
        const size_t at = line.find(separator);
        if (seen || at == std::string_view::npos || TrimBlanks(line.substr(0, at)) != key)
            return;
        seen = true;
        found = std::string(TrimBlanks(line.substr(at + 1)));
    });
    return found;
}

// The leading number of a meminfo value ("24683772 kB"), in kB.
uint64_t KilobytesOf(std::string_view value) {
    uint64_t kb = 0;
    std::from_chars(value.data(), value.data() + value.size(), kb);
    return kb;
}

// A mount table field with its octal escapes ("\040" for a blank) resolved.
std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i > 3) {
            int value = 0;
            const auto [end, error] =
                std::from_chars(field.data() + i + 1, field.data() + i + 4, value, 8);
            if (error == std::errc() && end == field.data() + i + 4) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsSkippedType(std::string_view type) {
    if (type.starts_with("fuse."))
        return true;
    for (std::string_view skipped : kSkippedTypes) {
        if (type == skipped)
            return true;
    }
    return false;
}

std::string DiskText(const std::vector<std::string>& mountPoints) {
    std::string text;
    for (const std::string& mountPoint : mountPoints) {
        const std::u16string wide = platform::Utf8ToWide(mountPoint);
        const uint64_t total = platform::TotalDiskBytes(wide) / kBytesPerMB;
        if (total == 0)
            continue;
        const uint64_t free = platform::FreeDiskBytes(wide) / kBytesPerMB;
        if (!text.empty())
            text += ' ';
        text += mountPoint + ", Free Disk:" + std::to_string(free) +
                "MB, Total Disk:" + std::to_string(total) + "MB";
    }
    return text;
}

std::string OsText(const EnvironmentSources& sources) {
    for (const std::string& path : sources.osRelease) {
        const std::string release = ReadSystemFile(path);
        if (!release.empty())
            return OsNameFromRelease(release);
    }
    return OsNameFromRelease({});
}

std::string CpuText(const EnvironmentSources& sources) {
    std::string model = CpuModelFromInfo(ReadSystemFile(sources.cpuInfo));
    return std::to_string(std::thread::hardware_concurrency()) + " Core " +
           (model.empty() ? "unknown" : model);
}

}  // namespace

std::string OsNameFromRelease(std::string_view osRelease) {
    std::string name = Unquote(ValueOf(osRelease, "PRETTY_NAME", '='));
    if (name.empty())
        name = Unquote(ValueOf(osRelease, "NAME", '='));
    return name.empty() ? "Linux" : name;
}

std::string CpuModelFromInfo(std::string_view cpuInfo) {
    return ValueOf(cpuInfo, "model name", ':');
}

std::string MemoryText(std::string_view memInfo) {
    const uint64_t total = KilobytesOf(ValueOf(memInfo, "MemTotal", ':'));
    std::string available = ValueOf(memInfo, "MemAvailable", ':');
    if (available.empty())
        available = ValueOf(memInfo, "MemFree", ':');
    return "TotalPhys:" + std::to_string(total >> 10) +
           "MB, AvailPhys:" + std::to_string(KilobytesOf(available) >> 10) + "MB";
}

std::vector<std::string> LocalMountPoints(std::string_view mounts) {
    std::vector<std::string> points;
    std::vector<std::string> devices;
    ForEachLine(mounts, [&](std::string_view line) {
        // device mount-point type options dump pass
        std::array<std::string_view, 3> fields;
        for (std::string_view& field : fields) {
            const size_t end = line.find(' ');
            field = line.substr(0, end);
            line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
        }
        if (fields[1].empty() || fields[2].empty() || IsSkippedType(fields[2]))
            return;
        std::string device = UnescapeMountField(fields[0]);
        for (const std::string& seen : devices) {
            if (seen == device)
                return;  // a bind mount or a second view of a file system already listed
        }
        devices.push_back(std::move(device));
        points.push_back(UnescapeMountField(fields[1]));
    });
    return points;
}

bool AnyLinkUp(const std::string& netDevices) {
    std::error_code error;
    std::filesystem::directory_iterator entries(netDevices, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (entries->path().filename() == "lo")
            continue;
        if (TrimBlanks(ReadSystemFile(entries->path() / "operstate")) == "up")
            return true;
    }
    return false;
}

std::string EnvironmentText(const EnvironmentSources& sources, std::string_view browser) {
    std::string text = "OS=" + OsText(sources);
    text += "; Browser=";
    text += browser;
    text += "; CPU=" + CpuText(sources);
    text += "; MEM=" + MemoryText(ReadSystemFile(sources.memInfo));
    text += "; Disk=" + DiskText(LocalMountPoints(ReadSystemFile(sources.mounts)));
    text += "; Net=";
    text += AnyLinkUp(sources.netDevices) ? "Connected" : "Disconnected";
    return text;
}
