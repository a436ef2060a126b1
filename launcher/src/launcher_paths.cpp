#include "launcher/launcher_paths.h"

namespace launcher {

std::string InstanceLockPath(const std::string& runtimeDir) {
    return runtimeDir + "/PC_NORVEL_FLINGA";
}

std::string PipePath(const std::string& runtimeDir, const std::string& userName) {
    return runtimeDir + "/norveluploaderpluginpipe" + userName;
}

std::string WakeEventPath(const std::string& runtimeDir) {
    return runtimeDir + "/NorvelUploader";
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

}  // namespace launcher
