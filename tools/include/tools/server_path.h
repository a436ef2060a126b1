#pragma once

// Local paths below a root folder as the paths of the cloud disk.

#include <string>
#include <string_view>

namespace tools {

// A path equal to root (trailing slashes of either aside) becomes "/"; a path below root
// loses the root in front, keeping the "/" that follows it ("/r/a/b" under "/r" gives
// "/a/b"). Only whole components match: "/r/ab" is not below "/r/a". Fails (false, path
// unchanged) for a path outside root and when root or path is empty. Backslashes are
// ordinary characters of file names here and stay as they are.
bool ToServerPath(std::u16string_view root, std::u16string& path);

}  // namespace tools
