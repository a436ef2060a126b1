#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/system.h"

namespace platform {
namespace {

constexpr size_t kLongestPath = 1u << 16;

}  // namespace

std::string ExecutablePath() {
    std::string buffer(256, '\0');
    while (buffer.size() <= kLongestPath) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);  // the link may have been cut short: read again
    }
    return {};
}

std::string ModulePath(const void* addressInModule) {
    Dl_info info{};
    link_map* module = nullptr;
    if (!addressInModule ||
        !::dladdr1(addressInModule, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) ||
        !module)
        return {};
    // The main program is the module without a name in the loader's list.
    if (!module->l_name || !module->l_name[0])
        return ExecutablePath();
    // A library opened by a relative name keeps that name: make it a full path.
    std::unique_ptr<char, decltype(&std::free)> full(::realpath(module->l_name, nullptr),
                                                     &std::free);
    return full ? std::string(full.get()) : std::string(module->l_name);
}

}  // namespace platform
