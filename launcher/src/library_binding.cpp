#include "launcher/library_binding.h"

#include <utility>

namespace launcher {

std::optional<CLibraryBinding> CLibraryBinding::Load(const std::string& path, std::string* error) {
    auto library = platform::SharedLibrary::Load(path, error);
    if (!library)
        return std::nullopt;
    CLibraryBinding binding(std::move(*library));
    binding.m_SetUpLoadTask =
        reinterpret_cast<SetUpLoadTaskFn>(binding.m_Library.Symbol("SetUpLoadTask"));
    binding.m_SetUserInfo =
        reinterpret_cast<SetUserInfoFn>(binding.m_Library.Symbol("SetUserInfo"));
    binding.m_CloseAllWnd =
        reinterpret_cast<CloseAllWndFn>(binding.m_Library.Symbol("CloseAllWnd"));
    if (!binding.m_SetUpLoadTask || !binding.m_SetUserInfo) {
        if (error)
            *error = path + ": SetUpLoadTask or SetUserInfo is not exported";
        return std::nullopt;
    }
    return binding;
}

void CLibraryBinding::Unload() {
    m_SetUpLoadTask = nullptr;
    m_SetUserInfo = nullptr;
    m_CloseAllWnd = nullptr;
    m_Library.Unload();
}

}  // namespace launcher
