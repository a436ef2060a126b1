#include "log_buffer.h"

#include <utility>

bool CLogBuffer::Append(LogRecord&& record) {
    const std::u16string_view event = record.Get(LogRecord::kEvent);
    std::lock_guard lock(m_Lock);
    if (m_Closed)
        return false;
    auto counts = m_Counters.find(event);
    if (counts == m_Counters.end())
        counts = m_Counters.emplace(std::u16string(event), Counts{}).first;
    record.number = record.ok ? ++counts->second.successes : ++counts->second.failures;
    m_Records.push_back(std::move(record));
    m_Size.store(m_Records.size(), std::memory_order_relaxed);
    m_Accepted.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void CLogBuffer::Take(size_t most, std::vector<LogRecord>& out) {
    out.clear();
    out.reserve(most);  // no allocation while the lock is held
    std::lock_guard lock(m_Lock);
    while (out.size() < most && !m_Records.empty()) {
        out.push_back(std::move(m_Records.front()));
        m_Records.pop_front();
    }
    m_Size.store(m_Records.size(), std::memory_order_relaxed);
}

size_t CLogBuffer::ClearIfAbove(size_t limit) {
    std::deque<LogRecord> dropped;
    {
        std::lock_guard lock(m_Lock);
        if (m_Records.size() <= limit)
            return 0;
        dropped.swap(m_Records);
        m_Size.store(0, std::memory_order_relaxed);
        m_Cleared.fetch_add(dropped.size(), std::memory_order_relaxed);
    }
    return dropped.size();
}

void CLogBuffer::Close() {
    std::lock_guard lock(m_Lock);
    m_Closed = true;
}
