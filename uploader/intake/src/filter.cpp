#include <string>

#include "intake/filter.h"
#include "platform/files.h"
#include "settings/settings.h"

namespace intake {
namespace {

using View = std::u16string_view;

// The file a briefcase keeps in its folder.
constexpr View kBriefcaseDatabase = u"/公文包数据库";

// The sync folder without trailing "/" (the root stays "/"); empty when there is none.
std::u16string SyncFolder() {
    std::u16string folder = settings::GetSyncFolder();
    while (folder.size() > 1 && folder.back() == u'/')
        folder.pop_back();
    return folder;
}

bool IsBriefcaseFolder(View path, const platform::FileAttributes& attributes) {
    if (!attributes.folder || !attributes.readOnly)
        return false;
    std::u16string database(path);
    database += kBriefcaseDatabase;
    return platform::GetAttributes(database).has_value();
}

// Looks at the path and each folder above it, up to (not including) the sync folder or
// the top-level folder: true when one of them is a briefcase, or hidden when that counts.
bool IsInFolderThatRefuses(View path, bool hiddenRefuses) {
    const std::u16string syncFolder = SyncFolder();
    for (View level = path; level.find(u'/') != View::npos && level != syncFolder;
         level = level.substr(0, level.rfind(u'/'))) {
        const auto attributes = platform::GetAttributes(level);
        if (!attributes)
            continue;
        if ((hiddenRefuses && attributes->hidden) || IsBriefcaseFolder(level, *attributes))
            return true;
    }
    return false;
}

}  // namespace

bool IsRefusedPath(std::u16string_view path) {
    const size_t slash = path.rfind(u'/');
    if (slash == View::npos || slash + 1 == path.size())
        return false;
    return IsInFolderThatRefuses(path, true) || IsRefusedName(path);
}

bool IsInBriefcase(std::u16string_view path) {
    return IsInFolderThatRefuses(path, false);
}

}  // namespace intake
