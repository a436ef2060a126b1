#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/unique_fd.h"
#include "system_path.h"

namespace platform {
namespace {

FolderEntry::Kind KindOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return FolderEntry::Kind::Folder;
    return S_ISREG(st.st_mode) ? FolderEntry::Kind::File : FolderEntry::Kind::Other;
}

// Describes one entry relative to the open folder; the link test does not follow it.
FolderEntry Describe(int folder, const std::string& name) {
    FolderEntry entry;
    entry.name = Utf8ToWide(name);
    entry.exactName = WideToUtf8(entry.name) == name;
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return entry;
    entry.link = S_ISLNK(st.st_mode);
    if (entry.link && ::fstatat(folder, name.c_str(), &st, 0) != 0)
        return entry;  // a dangling link
    entry.kind = KindOf(st);
    return entry;
}

}  // namespace

std::optional<FolderListing> ListFolder(std::u16string_view path) {
    const auto native = SystemPath(path);
    if (!native)
        return std::nullopt;
    UniqueFd folder(::open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!folder || ::fstat(folder.Get(), &st) != 0)
        return std::nullopt;
    // fdopendir takes the descriptor over; keep ours for fstatat with a duplicate.
    DIR* stream = ::fdopendir(::fcntl(folder.Get(), F_DUPFD_CLOEXEC, 0));
    if (!stream)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* item = ::readdir(stream)) {
        const std::string_view name(item->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(stream);
    std::sort(names.begin(), names.end());

    FolderListing listing;
    listing.device = static_cast<uint64_t>(st.st_dev);
    listing.inode = static_cast<uint64_t>(st.st_ino);
    listing.entries.reserve(names.size());
    for (const std::string& name : names)
        listing.entries.push_back(Describe(folder.Get(), name));
    return listing;
}

}  // namespace platform
