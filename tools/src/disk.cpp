#include "tools/disk.h"

#include <filesystem>
#include <system_error>

#include "platform/text.h"

// The platform layer's FileSize() and FreeDiskBytes() answer the same questions; these
// two keep to the standard library until that layer's implementation is in the tree.

namespace tools {
namespace {

namespace fs = std::filesystem;

fs::path NativePath(std::u16string_view path) {
    return fs::path(platform::WideToUtf8(path));
}

}  // namespace

uint64_t GetFreeDiskMB(std::u16string_view path) {
    if (path.empty())
        return 0;
    std::error_code error;
    fs::path place = fs::absolute(NativePath(path), error);
    if (error)
        return 0;
    // A file that is still to be written: ask about the folder that will hold it.
    for (;;) {
        const fs::space_info space = fs::space(place, error);
        if (!error)
            return space.available / (1024 * 1024);
        if (!place.has_relative_path())
            return 0;
        place = place.parent_path();
    }
}

int64_t GetFileSize64(std::u16string_view path) {
    if (path.empty())
        return 0;
    std::error_code error;
    const fs::path file = NativePath(path);
    if (!fs::is_regular_file(file, error))
        return 0;
    const uintmax_t size = fs::file_size(file, error);
    return error ? 0 : static_cast<int64_t>(size);
}

}  // namespace tools
