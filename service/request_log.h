#pragma once

// Every request the service received (admin requests aside), with method, target,
// headers and body as they arrived, for tests to read back. Bodies are kept up to
// kBodyCap bytes each, streamed block bodies up to kStreamCap (the full size is recorded); the log
// keeps the latest entries within kMaxEntries and kMaxBytes.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "service/http_types.h"
#include "service/json_builder.h"

namespace norvel::service {

struct CLoggedRequest {
    int64_t seq = 0;
    int64_t time = 0;
    std::string method;
    std::string target;
    std::string path;
    HeaderList headers;
    std::string body;       // at most kBodyCap bytes
    uint64_t bodySize = 0;  // bytes the body really had
    int status = 0;         // the status answered; 0 when the connection was dropped
};

class CRequestLog {
public:
    static constexpr size_t kBodyCap = 256 << 10;
    static constexpr size_t kStreamCap =
        64 << 10;  // streamed bodies (upload blocks): head and some content
    static constexpr size_t kMaxEntries = 20000;
    static constexpr size_t kMaxBytes = 16 << 20;

    void Add(CLoggedRequest entry);
    void Clear();
    // Entries with a sequence number above `after`, as a JSON reply:
    // {"requests": [{"seq", "time", "method", "target", "path", "status", "body_size",
    //   "body_hex", "headers": [{"name", "value"}...]}...], "last": seq}
    CJsonBuilder Since(int64_t after) const;

private:
    mutable std::mutex m_Lock;
    std::deque<CLoggedRequest> m_Entries;
    size_t m_Bytes = 0;
    int64_t m_NextSeq = 1;
};

}  // namespace norvel::service
