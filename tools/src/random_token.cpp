#include "tools/random_token.h"

#include <chrono>

namespace tools {
namespace {

constexpr char kAlphabet[] = "123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr unsigned kAlphabetSize = sizeof(kAlphabet) - 1;  // 61: no zero
constexpr int kTokenLength = 10;

// A linear congruential generator of the classic C runtime shape: seeded with a number,
// each step yields 0..32767. Our own, so that drawing a token neither reseeds nor
// advances the rand() that other code of the process may use.
class CTokenGenerator {
public:
    explicit CTokenGenerator(uint32_t seed) : m_State(seed) {}
    unsigned Next() {
        m_State = m_State * 214013u + 2531011u;
        return (m_State >> 16) & 0x7FFFu;
    }
    static constexpr unsigned kRange = 32768;  // Next() < kRange

private:
    uint32_t m_State;
};

// Scales 0..32767 onto the whole alphabet, so that no value can index past its end
// (dividing by 537 would give 61 for the values from 32757 up).
char TokenCharacter(unsigned value) {
    return kAlphabet[value * kAlphabetSize / CTokenGenerator::kRange];
}

}  // namespace

std::string RandomToken(int64_t seedSeconds) {
    CTokenGenerator generator(static_cast<uint32_t>(seedSeconds));
    std::string token;
    token.reserve(kTokenLength);
    for (int i = 0; i < kTokenLength; ++i)
        token.push_back(TokenCharacter(generator.Next()));
    return token;
}

std::string RandomToken() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return RandomToken(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

}  // namespace tools
