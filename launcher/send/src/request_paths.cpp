#include "send/request_paths.h"

#include <filesystem>

#include "intake/dropped_files.h"
#include "intake/filter.h"
#include "platform/files.h"
#include "platform/text.h"

namespace send {
namespace {

// The absolute, lexically clean form of a path, without a trailing "/".
std::string AbsolutePath(const std::string& path, const std::string& workingDir) {
    std::filesystem::path full(path);
    if (!full.is_absolute())
        full = std::filesystem::path(workingDir) / full;
    std::string clean = full.lexically_normal().string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

// A wide path names the file only when the system name is valid UTF-8.
bool IsNameable(const std::string& path) {
    return platform::WideToUtf8(platform::Utf8ToWide(path)) == path;
}

}  // namespace

RequestPaths BuildRequestPaths(int32_t kind, const std::vector<std::string>& paths,
                               const std::string& workingDir) {
    RequestPaths result;
    std::vector<std::u16string> items;
    for (const std::string& given : paths) {
        const std::string path = AbsolutePath(given, workingDir);
        if (!IsNameable(path)) {
            result.uncarriable.push_back(given);
            continue;
        }
        const std::u16string wide = platform::Utf8ToWide(path);
        const auto attributes = platform::GetAttributes(wide);
        if (!attributes) {
            result.missing.push_back(given);
            continue;
        }
        if (!attributes->folder && intake::IsRefusedPath(wide))
            result.refused.push_back(given);
        items.push_back(wide);
    }
    std::vector<std::u16string> uncarried;
    result.batch = intake::DroppedPathsToBatch(items, &uncarried);
    for (const std::u16string& path : uncarried)
        result.uncarriable.push_back(platform::WideToUtf8(path));
    for (intake::UploadRequestEntry& entry : result.batch)
        entry.nKind = kind;
    return result;
}

}  // namespace send
