#pragma once

// The records waiting for the writer, and the running counts per event and outcome.
// Callers on any thread append; the writer takes records from the head. The lock is held
// only to number and link one record, or to move a small batch out.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "log_record.h"

class CLogBuffer {
public:
    // Numbers the record (the first success and the first failure of an event are both
    // 1) and appends it; false, and nothing counted, once the buffer is closed.
    bool Append(LogRecord&& record);
    // Moves up to `most` records from the head into `out` (emptied first).
    void Take(size_t most, std::vector<LogRecord>& out);
    // Empties the buffer when it holds more than `limit` records; the number dropped, or
    // 0 when it did not. The records are freed after the lock is released.
    size_t ClearIfAbove(size_t limit);
    // Refuses every later Append; records already buffered can still be taken.
    void Close();

    size_t Size() const { return m_Size.load(std::memory_order_relaxed); }
    uint64_t Accepted() const { return m_Accepted.load(std::memory_order_relaxed); }
    uint64_t Cleared() const { return m_Cleared.load(std::memory_order_relaxed); }

private:
    struct Counts {
        uint32_t successes = 0;
        uint32_t failures = 0;
    };

    std::mutex m_Lock;
    std::deque<LogRecord> m_Records;                           // guarded by m_Lock
    std::map<std::u16string, Counts, std::less<>> m_Counters;  // guarded by m_Lock
    bool m_Closed = false;                                     // guarded by m_Lock
    std::atomic<size_t> m_Size{0};        // m_Records.size(), readable without the lock
    std::atomic<uint64_t> m_Accepted{0};  // records appended so far
    std::atomic<uint64_t> m_Cleared{0};   // records dropped by ClearIfAbove()
};
