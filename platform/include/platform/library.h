#pragma once

// Loading a shared library at run time (dlopen). The library is unloaded when the last
// SharedLibrary that holds it goes away.

#include <optional>
#include <string>

namespace platform {

class SharedLibrary {
public:
    // Loads the library at the path (UTF-8) with its symbols resolved at once and kept
    // to itself; empty on failure, with the reason in *error when given.
    [[nodiscard]] static std::optional<SharedLibrary> Load(const std::string& path,
                                                           std::string* error = nullptr);
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Address of an exported symbol; null when the library does not export it.
    [[nodiscard]] void* Symbol(const char* name) const;

    // Unloads now (what the destructor does); later Symbol() calls give null.
    void Unload();

private:
    explicit SharedLibrary(void* handle) : m_Handle(handle) {}
    void* m_Handle = nullptr;
};

}  // namespace platform
