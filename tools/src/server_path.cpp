#include "tools/server_path.h"

namespace tools {
namespace {

std::u16string_view WithoutTrailingSlashes(std::u16string_view path) {
    while (!path.empty() && path.back() == u'/')
        path.remove_suffix(1);
    return path;
}

}  // namespace

bool ToServerPath(std::u16string_view root, std::u16string& path) {
    if (root.empty() || path.empty())
        return false;
    // "/r/" and "/r" name the same folder; the root "/" becomes "" and holds every
    // absolute path.
    root = WithoutTrailingSlashes(root);
    const std::u16string_view whole(path);
    if (!whole.starts_with(root))
        return false;
    std::u16string_view rest = whole.substr(root.size());
    if (!rest.empty() && rest.front() != u'/')
        return false;  // "/r/ab" shares its first characters with "/r/a" but is not in it
    std::u16string serverPath(WithoutTrailingSlashes(rest).empty() ? u"/" : rest);
    path = std::move(serverPath);
    return true;
}

}  // namespace tools
