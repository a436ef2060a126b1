#pragma once

// A small blocking HTTP client for tests (libcurl): sends a request target verbatim
// (without a leading "/" or with a trailing blank, as a client may), custom header lines
// in order (duplicates kept) and a body; returns status, headers and body.

#include <string>
#include <utility>
#include <vector>

namespace norvel::test {

struct HttpRequest {
    std::string method = "POST";
    std::string host = "127.0.0.1";
    int port = 0;
    std::string target = "/";
    std::vector<std::string> headers;  // whole lines without CR LF, e.g. "Content-Type: text/plain"
    std::string body;
    long timeoutMs = 20000;
};

struct HttpResponse {
    long status = 0;         // 0 when no status line came back
    int transportError = 0;  // the libcurl code; 0 when the exchange completed
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name (without regard to case); empty when absent.
    std::string Header(const std::string& name) const;
};

HttpResponse SendHttp(const HttpRequest& request);

}  // namespace norvel::test
