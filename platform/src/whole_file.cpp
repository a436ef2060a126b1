#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "file_io.h"
#include "platform/files.h"
#include "system_path.h"

namespace platform {
std::optional<std::string> ReadWholeFile(std::u16string_view path, uint64_t maxBytes) {
    const auto native = SystemPath(path);
    if (!native)
        return std::nullopt;
    UniqueFd file(::open(native->c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxBytes)
        return std::nullopt;
    auto bytes = ReadRest(file.Get());
    if (bytes && bytes->size() > maxBytes)  // grew while being read
        return std::nullopt;
    return bytes;
}

bool WriteWholeFile(std::u16string_view path, std::string_view bytes) {
    const auto native = SystemPath(path);
    return native && static_cast<bool>(ReplaceFileAtomically(*native, bytes));
}

bool RenameFile(std::u16string_view from, std::u16string_view to) {
    const auto source = SystemPath(from);
    const auto target = SystemPath(to);
    return source && target && std::rename(source->c_str(), target->c_str()) == 0;
}

bool RemoveFile(std::u16string_view path) {
    const auto native = SystemPath(path);
    return native && ::unlink(native->c_str()) == 0;
}

}  // namespace platform
