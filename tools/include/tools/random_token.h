#pragma once

// Ten characters from "1-9a-zA-Z" (61 characters, no zero), drawn from a small
// generator of our own seeded with the time in seconds: two calls within the same second
// give the same token. Used where a token must merely differ from the surrounding text
// (multipart boundaries), never as a secret.

#include <cstdint>
#include <string>

namespace tools {

std::string RandomToken();
// The token for a given seed (seconds since 1970).
std::string RandomToken(int64_t seedSeconds);

}  // namespace tools
