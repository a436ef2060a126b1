#pragma once

// The launcher's binding of libNorvel_flinga.so: the library and the addresses of its
// exports, found by name.

#include <optional>
#include <string>

#include "intake/exports.h"
#include "platform/library.h"

namespace launcher {

class CLibraryBinding {
public:
    // Loads the library and binds "SetUpLoadTask" and "SetUserInfo", which must exist, and
    // "CloseAllWnd" when it exists. Empty when the library cannot be loaded or one of the
    // two is missing, with the reason in *error.
    [[nodiscard]] static std::optional<CLibraryBinding> Load(const std::string& path,
                                                             std::string* error = nullptr);

    SetUpLoadTaskFn SetUpLoadTask() const { return m_SetUpLoadTask; }
    SetUserInfoFn SetUserInfo() const { return m_SetUserInfo; }
    // Null when the library does not export it.
    CloseAllWndFn CloseAllWnd() const { return m_CloseAllWnd; }

    // Unloads the library; the addresses name nothing afterwards.
    void Unload();

private:
    explicit CLibraryBinding(platform::SharedLibrary library) : m_Library(std::move(library)) {}

    platform::SharedLibrary m_Library;
    SetUpLoadTaskFn m_SetUpLoadTask = nullptr;
    SetUserInfoFn m_SetUserInfo = nullptr;
    CloseAllWndFn m_CloseAllWnd = nullptr;
};

}  // namespace launcher
