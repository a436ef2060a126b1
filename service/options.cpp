#include "service/options.h"

#include "service/upload_params.h"

namespace norvel::service {
namespace {

bool ParseListen(const std::string& text, COptions& options) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    const auto port = ParseDecimal(text.substr(colon + 1));
    if (!port || *port > 65535)
        return false;
    options.host = text.substr(0, colon);
    if (options.host.size() > 2 && options.host.front() == '[' && options.host.back() == ']')
        options.host = options.host.substr(1, options.host.size() - 2);
    options.port = int(*port);
    return true;
}

bool ParseBytes(const std::string& text, std::optional<int64_t>& out) {
    const auto number = ParseDecimal(text);
    if (!number || *number > uint64_t(INT64_MAX))
        return false;
    out = int64_t(*number);
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: norvel-service --data DIR [--listen HOST:PORT]\n"
           "       norvel-service --data DIR --add-user NAME:PASSWORD [--space BYTES] [--maxfs "
           "BYTES] [--level TEXT]\n"
           "The service listens on 127.0.0.1:17890 by default; port 0 picks a free port and prints "
           "it\n"
           "on the first line of standard output.\n";
}

std::optional<COptions> ParseOptions(const std::vector<std::string>& arguments,
                                     std::string& error) {
    COptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = "missing value after " + name;
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        bool ok = true;
        if (name == "--data") {
            options.dataDir = value;
        } else if (name == "--listen") {
            ok = ParseListen(value, options);
        } else if (name == "--add-user") {
            const size_t colon = value.find(':');
            ok = colon != std::string::npos && colon > 0;
            options.addUser = true;
            options.userName = value.substr(0, colon);
            options.password = ok ? value.substr(colon + 1) : std::string();
        } else if (name == "--space") {
            ok = ParseBytes(value, options.space);
        } else if (name == "--maxfs") {
            ok = ParseBytes(value, options.maxfs);
        } else if (name == "--level") {
            options.level = value;
        } else {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + name + ": " + value;
            return std::nullopt;
        }
    }
    if (options.dataDir.empty()) {
        error = "--data DIR is required";
        return std::nullopt;
    }
    if (!options.addUser && (options.space || options.maxfs || options.level)) {
        error = "--space, --maxfs and --level go with --add-user";
        return std::nullopt;
    }
    return options;
}

}  // namespace norvel::service
