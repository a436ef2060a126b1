#include "log_dir.h"

#include "platform/append_file.h"
#include "platform/files.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace {

constexpr std::u16string_view kLogFolder = u"/Log";

std::u16string WithoutTrailingSlashes(std::u16string path) {
    while (!path.empty() && path.back() == u'/')
        path.pop_back();
    return path;
}

// The stored install path, read without writing a default back. A relative path would
// depend on the working folder of whoever started the program: it counts as missing.
std::u16string StoredInstallPath() {
    const auto stored = settings::ReadString(settings::kNorvelKey, settings::kInstallPath);
    if (!stored || stored->empty() || stored->front() != u'/')
        return {};
    return WithoutTrailingSlashes(*stored);
}

std::u16string ProgramFolder() {
    const std::u16string program = settings::GetHostProgramPath();
    const size_t slash = program.rfind(u'/');
    return slash == std::u16string::npos ? std::u16string() : program.substr(0, slash);
}

std::u16string DefaultLogDir() {
    std::u16string base = StoredInstallPath();
    if (base.empty() && (base = ProgramFolder()).empty())
        return {};
    return base + std::u16string(kLogFolder);
}

}  // namespace

std::u16string FindOrCreateLogDir(std::u16string_view configured) {
    std::u16string dir = configured.empty() ? DefaultLogDir() : std::u16string(configured);
    if (dir.empty())
        return {};
    if (platform::IsFolder(dir) || platform::CreatePrivateFolder(dir))
        return dir;
    return {};
}
