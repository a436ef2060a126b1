#include "service/running_digests.h"

#include <algorithm>

namespace norvel::service {

// Feeds leave the table under its lock but are dropped outside it: dropping one waits
// for its thread.
std::unique_ptr<CUnitFeed> CRunningDigests::Take(const std::string& unit, uint64_t held) {
    std::unique_ptr<CUnitFeed> feed, stale;
    {
        std::lock_guard lock(m_Lock);
        if (const auto found = m_Units.find(unit); found != m_Units.end()) {
            (found->second.covered == held ? feed : stale) = std::move(found->second.feed);
            m_Units.erase(found);
        }
    }
    if (!feed && held == 0)
        feed = std::make_unique<CUnitFeed>();
    return feed;
}

void CRunningDigests::Keep(const std::string& unit, uint64_t covered,
                           std::unique_ptr<CUnitFeed> feed) {
    if (!feed)
        return;
    feed->Release();
    std::unique_ptr<CUnitFeed> evicted, replaced;  // dropped once the lock is let go
    std::lock_guard lock(m_Lock);
    if (m_Units.size() >= kMostUnits && !m_Units.contains(unit)) {
        const auto oldest = std::min_element(
            m_Units.begin(), m_Units.end(),
            [](const auto& a, const auto& b) { return a.second.age < b.second.age; });
        evicted = std::move(oldest->second.feed);
        m_Units.erase(oldest);
    }
    Entry& entry = m_Units[unit];
    replaced = std::move(entry.feed);
    entry = Entry{covered, ++m_Clock, std::move(feed)};
}

}  // namespace norvel::service
