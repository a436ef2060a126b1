#include "service/random.h"

#include <mutex>
#include <random>
#include <string_view>

namespace norvel::service {
namespace {

std::mutex g_Lock;

std::mt19937_64& Engine() {
    // Seeded from the system's random source; the generator itself is guarded by g_Lock.
    static std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(),
                           device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    return engine;
}

}  // namespace

uint64_t RandomNumber(uint64_t low, uint64_t high) {
    std::lock_guard lock(g_Lock);
    return std::uniform_int_distribution<uint64_t>(low, high)(Engine());
}

std::string RandomText(size_t length, std::string_view alphabet) {
    std::string out;
    for (size_t i = 0; i < length; ++i)
        out += alphabet[RandomNumber(0, alphabet.size() - 1)];
    return out;
}

std::string RandomHex(size_t bytes) {
    return RandomText(bytes * 2, "0123456789abcdef");
}

}  // namespace norvel::service
