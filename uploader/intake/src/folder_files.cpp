#include <set>
#include <utility>

#include "intake/filter.h"
#include "intake/folder_files.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"

namespace intake {
namespace {

using platform::FolderEntry;

// A folder being walked: its path and the entries still to visit.
struct OpenFolder {
    std::u16string path;
    std::vector<FolderEntry> entries;
    size_t next = 0;
};

// The path of an entry of the folder; the root "/" takes no second slash.
std::u16string JoinPath(const std::u16string& folder, const std::u16string& name) {
    return folder.ends_with(u'/') ? folder + name : folder + u'/' + name;
}

void ReportUncarriedName(const std::u16string& folder) {
    Log().Write(L3_KEY, log_events::kUploaderAddFile, false,
                u"DESC=a name in this folder is not valid UTF-8 and is skipped", folder);
}

void ReportUnstorableFolder(const std::u16string& folder) {
    Log().Write(L3_KEY, log_events::kUploaderAddFile, false,
                u"DESC=a folder whose name holds a control character is skipped", folder);
}

}  // namespace

void CollectFolderFiles(std::u16string_view folder, std::vector<std::u16string>& dropList) {
    // An explicit stack keeps deep trees off the call stack; the set of folders seen
    // (device and inode) ends any loop that bind mounts could still form.
    std::set<std::pair<uint64_t, uint64_t>> seen;
    std::vector<OpenFolder> stack;
    auto enter = [&](std::u16string path) {
        auto listing = platform::ListFolder(path);
        if (!listing || !seen.emplace(listing->device, listing->inode).second)
            return;  // unreadable, or already walked
        stack.push_back(OpenFolder{std::move(path), std::move(listing->entries), 0});
    };
    enter(std::u16string(folder));

    while (!stack.empty()) {
        OpenFolder& current = stack.back();
        if (current.next == current.entries.size()) {
            stack.pop_back();
            continue;
        }
        const FolderEntry& entry = current.entries[current.next++];
        if (!entry.exactName) {
            ReportUncarriedName(current.path);
            continue;
        }
        std::u16string path = JoinPath(current.path, entry.name);
        if (entry.kind == FolderEntry::Kind::Folder) {
            if (entry.link)
                continue;
            if (HoldsControlCharacter(entry.name))
                ReportUnstorableFolder(path);  // none of its files could be stored
            else
                enter(std::move(path));  // invalidates `current`
        } else if (entry.kind == FolderEntry::Kind::File && !IsRefusedPath(path)) {
            dropList.push_back(std::move(path));
        }
    }
}

}  // namespace intake
