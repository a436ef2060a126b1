#include <dlfcn.h>

#include <utility>

#include "platform/library.h"

namespace platform {

std::optional<SharedLibrary> SharedLibrary::Load(const std::string& path, std::string* error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* reason = ::dlerror();
            *error = reason ? reason : "dlopen failed";
        }
        return std::nullopt;
    }
    return SharedLibrary(handle);
}

SharedLibrary::~SharedLibrary() {
    Unload();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_Handle(std::exchange(other.m_Handle, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        m_Handle = std::exchange(other.m_Handle, nullptr);
    }
    return *this;
}

void* SharedLibrary::Symbol(const char* name) const {
    return m_Handle ? ::dlsym(m_Handle, name) : nullptr;
}

void SharedLibrary::Unload() {
    if (m_Handle)
        ::dlclose(std::exchange(m_Handle, nullptr));
}

}  // namespace platform
