#pragma once

// Everything a request handler reaches: the database, the stored contents, the switches
// and faults, the request log and the signing state.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "service/content_store.h"
#include "service/faults.h"
#include "service/request_log.h"
#include "service/running_digests.h"
#include "service/segment_joiner.h"
#include "service/signing.h"
#include "service/store.h"
#include "service/switches.h"

namespace norvel::service {

class CServiceContext {
public:
    // Opens the database and the content folders below dataDir; empty on success.
    std::string Open(const std::string& dataDir);

    // "host:port" under which clients reach this service (the upload host of the
    // authorization replies, the host of link and page addresses).
    std::string PublicHost() const;
    void SetPublicHost(std::string host);
    std::string BaseUrl() const { return "http://" + PublicHost(); }

    // Seconds since 1970.
    static int64_t Now();

    // Serialises the requests of one upload session (keyed by a hash of ticket and file).
    std::mutex& SessionLock(size_t key) { return m_SessionLocks[key % m_SessionLocks.size()]; }

    CStore store;
    CContentStore contents;
    CSwitches switches;
    CFaults faults;
    CRequestLog log;
    CSigning signing;
    CRunningDigests digests;  // of the upload units being received
    CSegmentJoiner joiner{contents};

private:
    mutable std::mutex m_Lock;
    std::string m_PublicHost;
    std::array<std::mutex, 64> m_SessionLocks;
};

}  // namespace norvel::service
