#pragma once

// Requests and replies as the handlers see them, free of the HTTP library.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/file_piece.h"
#include "service/json_builder.h"

namespace norvel::service {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct CRequest {
    std::string method;
    std::string target;  // as it stood in the request line
    std::string path;    // decoded path, with a leading "/" and without a trailing blank
    HeaderList headers;  // in the order received, duplicates kept
    std::multimap<std::string, std::string> query;  // decoded query parameters
    std::string body;
    std::string remoteAddr;
    int remotePort = 0;

    // The first header of that name (compared without regard to case); empty when absent.
    std::string Header(std::string_view name) const;
    std::string Query(const std::string& name) const;
};

struct CReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    HeaderList headers;
    FilePieces filePieces;  // when set, the reply's body is these files' bytes, streamed
    uint64_t fileSize = 0;
};

// The body of a request whose handler reads it in pieces (upload blocks).
class CBodySource {
public:
    virtual ~CBodySource() = default;
    // Hands the body to the sink piece by piece until it ends or the sink returns false;
    // false when the body could not be read whole.
    virtual bool Read(const std::function<bool(const char*, size_t)>& sink) = 0;
    // The declared length of the body; empty when it was not declared.
    virtual std::optional<uint64_t> DeclaredLength() const = 0;
};

// Header names compare without regard to ASCII case.
bool SameHeaderName(std::string_view a, std::string_view b);

// Status 200 (or the given status) with the object's JSON text.
CReply JsonReply(const CJsonBuilder& object, int status = 200);
// {"errno": code, "error": message} with the given status.
CReply ErrorReply(int status, int errnoValue, std::string_view message);
CReply HtmlReply(std::string html, int status = 200);
CReply RedirectReply(const std::string& location);

// Service result codes carried in the "errno" member of replies.
namespace Errno {
inline constexpr int kOk = 0;
inline constexpr int kBadRequest = 1;  // a parameter is missing or malformed
inline constexpr int kBusy = 2;        // temporary failure, the client may retry
inline constexpr int kBadToken = 3;    // unknown user token or user mismatch
inline constexpr int kDiskFull = 4;    // the account's space would be exceeded
inline constexpr int kNotFound = 5;    // file, link or upload path unknown
inline constexpr int kNotBound = 6;    // no Sina Weibo account bound
inline constexpr int kRefused = 7;     // a check of the request failed (key, digest, range)
inline constexpr int kTooLarge = 8;    // above the single-file limit
inline constexpr int kParentMissing = 19;
inline constexpr int kExists = 25;
}  // namespace Errno

}  // namespace norvel::service
