#pragma once

// The command line:
//   norvel-service --data DIR [--listen HOST:PORT]
//   norvel-service --data DIR --add-user NAME:PASSWORD [--space BYTES] [--maxfs BYTES] [--level
//   TEXT]

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvel::service {

inline constexpr const char* kDefaultListen = "127.0.0.1:17890";

struct COptions {
    std::string dataDir;
    std::string host = "127.0.0.1";
    int port = 17890;
    bool addUser = false;
    std::string userName;
    std::string password;
    std::optional<int64_t> space;
    std::optional<int64_t> maxfs;
    std::optional<std::string> level;
};

// Empty with a reason in error when the arguments are not valid.
std::optional<COptions> ParseOptions(const std::vector<std::string>& arguments, std::string& error);
const char* UsageText();

}  // namespace norvel::service
