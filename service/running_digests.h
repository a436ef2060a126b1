#pragma once

// Digests of upload units (whole files and segments) taken while their bytes arrive, so
// that a completed unit is checked without reading it back. A unit's feed is kept between
// its blocks with the number of bytes fed (its thread may still be digesting the last of
// them); a block that continues exactly there feeds on. Anything else (a unit started afresh, a
// service restarted meanwhile, a block that failed half-way) leaves no digest, and the unit is read
// back when it is complete, as before.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "service/unit_feed.h"

namespace norvel::service {

class CRunningDigests {
public:
    // The feed of the unit's first `held` bytes, taken out of the table: a fresh one when
    // held is 0, null when none that took exactly those bytes is kept.
    std::unique_ptr<CUnitFeed> Take(const std::string& unit, uint64_t held);
    // Keeps the feed that took the unit's first `covered` bytes for its next block; its
    // thread goes on digesting them alone.
    void Keep(const std::string& unit, uint64_t covered, std::unique_ptr<CUnitFeed> feed);

    // Units whose digests are kept at most; beyond that the oldest is dropped (it is read
    // back when it completes).
    static constexpr size_t kMostUnits = 256;

private:
    struct Entry {
        uint64_t covered = 0;
        uint64_t age = 0;
        std::unique_ptr<CUnitFeed> feed;
    };
    std::mutex m_Lock;
    std::map<std::string, Entry> m_Units;  // guarded by m_Lock
    uint64_t m_Clock = 0;                  // guarded by m_Lock
};

}  // namespace norvel::service
