#include "tools/disk.h"

#include "platform/files.h"

namespace tools {
namespace {

constexpr uint64_t kBytesPerMB = 1024 * 1024;

// The path without its last component (trailing slashes ignored): "/" for a name in the
// root folder, "." for a relative name without folder.
std::u16string_view ParentOf(std::u16string_view path) {
    while (path.size() > 1 && path.back() == u'/')
        path.remove_suffix(1);
    const size_t slash = path.rfind(u'/');
    if (slash == std::u16string_view::npos)
        return u".";
    return slash == 0 ? u"/" : path.substr(0, slash);
}

// The path itself when it exists, else its nearest existing parent folder (a file that
// is still to be written lands on the file system of that folder); empty when nothing
// on the way exists.
std::u16string NearestExisting(std::u16string_view path) {
    for (;;) {
        if (platform::GetAttributes(path))
            return std::u16string(path);
        const std::u16string_view parent = ParentOf(path);
        if (parent == path)
            return {};
        path = parent;
    }
}

}  // namespace

uint64_t GetFreeDiskMB(std::u16string_view path) {
    // A path with a NUL names nothing; cutting it short would name another place.
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return 0;
    const std::u16string place = NearestExisting(path);
    return place.empty() ? 0 : platform::FreeDiskBytes(place) / kBytesPerMB;
}

int64_t GetFileSize64(std::u16string_view path) {
    return static_cast<int64_t>(platform::FileSize(path).value_or(0));
}

}  // namespace tools
