#pragma once

// The state behind one CLog: the level mask, the buffer, the log folder and the writer
// thread.
//
// Callers on any thread:  Write -> level filter -> overflow guard -> buffer (numbered)
// Writer thread:          wait one cycle or a wake-up -> CLogWriter::RunCycle -> ...
//                         until Stop(): close the buffer, drain it whole, end.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log/log.h"
#include "log_buffer.h"
#include "platform/event.h"

inline constexpr size_t kMaxBufferedRecords = 200000;

class CLogCore {
public:
    using Texts = std::array<std::u16string_view, LogRecord::kTextCount>;

    CLogCore(CLog& owner, std::u16string name, CLogOptions options);
    ~CLogCore();
    CLogCore(const CLogCore&) = delete;
    CLogCore& operator=(const CLogCore&) = delete;

    // Starts the writer thread; the logger is enabled only when that worked.
    void Start();
    void Stop();

    // Filters, numbers and buffers one record (texts: event, cause, data1..3).
    void Write(int type, bool ok, const Texts& texts);
    // Empties the buffer when it holds more than kMaxBufferedRecords and logs the loss.
    void GuardOverflow();

    bool RefreshLevel(bool force);
    std::u16string GetLogDir();
    std::u16string GetHeader();
    std::vector<std::u16string> ListLogFiles();

    // Keeps only the bits of the mask that `limit` also holds, so a mask is never raised.
    void LowerLevel(int limit);
    void Disable() { m_Enabled.store(false); }
    int Level() const { return m_Mask.load(); }
    bool IsEnabled() const { return m_Enabled.load(); }
    void RunWriterCycleNow();
    CLogCounts Counts() const;
    void CountWritten(size_t records) { m_Written.fetch_add(records, std::memory_order_relaxed); }

    int64_t Now() const;
    uint64_t FreeDiskMB(std::u16string_view dir) const;
    const std::u16string& Name() const { return m_Name; }
    CLogBuffer& Buffer() { return m_Buffer; }

private:
    bool Passes(int type, bool ok);
    void WriterMain();
    void BeginCycle();
    void EndCycle();
    void WriterEnded();

    CLog& m_Owner;
    const std::u16string m_Name;
    const CLogOptions m_Options;

    std::atomic<bool> m_Enabled{false};
    std::atomic<int> m_Mask{S__NOT_INIT};
    CLogBuffer m_Buffer;
    std::atomic<uint64_t> m_Written{0};  // records the writer put into files

    std::mutex m_LevelLock;      // held while "LOG_LEVEL" is read and parsed
    std::u16string m_LevelText;  // the "LOG_LEVEL" text parsed last; guarded by m_LevelLock
    bool m_HaveLevelText = false;

    std::mutex m_DirLock;
    std::u16string m_LogDir;  // found or created once; guarded by m_DirLock

    platform::Event m_Wake{platform::Event::ResetMode::Auto};
    std::atomic<bool> m_Stopping{false};
    std::mutex m_StopLock;  // one Stop() at a time
    std::thread m_Thread;

    std::mutex m_CycleLock;  // guards the three below
    std::condition_variable m_CycleEnded;
    uint64_t m_CyclesBegun = 0;
    uint64_t m_CyclesDone = 0;
    bool m_WriterRunning = false;
};
