#include "service/running_digests.h"

#include <algorithm>

namespace norvel::service {

std::unique_ptr<CMd5Stream> CRunningDigests::Take(const std::string& unit, uint64_t held) {
    std::lock_guard lock(m_Lock);
    const auto found = m_Units.find(unit);
    std::unique_ptr<CMd5Stream> md5;
    if (found != m_Units.end()) {
        if (found->second.covered == held)
            md5 = std::move(found->second.md5);
        m_Units.erase(found);
    }
    if (!md5 && held == 0)
        md5 = std::make_unique<CMd5Stream>();
    return md5;
}

void CRunningDigests::Keep(const std::string& unit, uint64_t covered,
                           std::unique_ptr<CMd5Stream> md5) {
    if (!md5)
        return;
    std::lock_guard lock(m_Lock);
    if (m_Units.size() >= kMostUnits && !m_Units.contains(unit)) {
        const auto oldest = std::min_element(
            m_Units.begin(), m_Units.end(),
            [](const auto& a, const auto& b) { return a.second.age < b.second.age; });
        m_Units.erase(oldest);
    }
    m_Units[unit] = Entry{covered, ++m_Clock, std::move(md5)};
}

}  // namespace norvel::service
