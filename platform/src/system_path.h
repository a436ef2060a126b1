#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform {

// The system (UTF-8) form of a wide path; empty for a path that no system call can name:
// an empty one, or one holding a NUL, which would silently cut the path short.
inline std::optional<std::string> SystemPath(std::u16string_view path) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return std::nullopt;
    return WideToUtf8(path);
}

}  // namespace platform
