#pragma once

// Unpredictable texts for secrets, tickets, tokens, nonces and codes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvel::service {

// `bytes` random bytes as lowercase hexadecimal (twice as many characters).
std::string RandomHex(size_t bytes);
// Characters drawn from the alphabet.
std::string RandomText(size_t length, std::string_view alphabet);
// A random number in [low, high].
uint64_t RandomNumber(uint64_t low, uint64_t high);

}  // namespace norvel::service
