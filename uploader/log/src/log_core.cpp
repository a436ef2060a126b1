#include "log_core.h"

#include <chrono>
#include <utility>

#include "level_setting.h"
#include "log/log_events.h"
#include "log_dir.h"
#include "log_files.h"
#include "log_header.h"
#include "log_writer.h"
#include "platform/files.h"
#include "record_line.h"
#include "settings/registry_values.h"
#include "settings_sink.h"
#include "tools/disk.h"

namespace {

// The longest a cycle may wait; kInfinite itself would mean "no time-out".
constexpr uint32_t kLongestWaitMs = platform::kInfinite - 1;
// RunWriterCycleNow() gives up after this, so that a test cannot hang for ever.
constexpr std::chrono::seconds kCycleWaitLimit{60};

uint32_t WaitMilliseconds(std::chrono::milliseconds cycle) {
    if (cycle.count() <= 0)
        return 0;
    return cycle.count() >= kLongestWaitMs ? kLongestWaitMs : static_cast<uint32_t>(cycle.count());
}

}  // namespace

CLogCore::CLogCore(CLog& owner, std::u16string name, CLogOptions options)
    : m_Owner(owner), m_Name(std::move(name)), m_Options(std::move(options)) {}

CLogCore::~CLogCore() {
    Stop();
}

void CLogCore::Start() {
    {
        std::lock_guard lock(m_CycleLock);
        m_WriterRunning = true;
    }
    // Enabled before the thread starts, so that a writer failing at once disables it for good.
    m_Enabled.store(true);
    try {
        m_Thread = std::thread(&CLogCore::WriterMain, this);
    } catch (...) {
        m_Enabled.store(false);  // no writer, no records
        WriterEnded();
        return;
    }
    InstallSettingsSink(&m_Owner);
}

void CLogCore::Stop() {
    std::lock_guard lock(m_StopLock);
    m_Enabled.store(false);
    RemoveSettingsSink(&m_Owner);
    // From here on no record gets in, so the writer's last drain writes out everything.
    m_Buffer.Close();
    m_Stopping.store(true);
    m_Wake.Set();
    if (m_Thread.joinable() && m_Thread.get_id() != std::this_thread::get_id())
        m_Thread.join();
}

void CLogCore::Write(int type, bool ok, const Texts& texts) {
    if (!m_Enabled.load(std::memory_order_relaxed) || !Passes(type, ok))
        return;
    GuardOverflow();
    m_Buffer.Append(MakeLogRecord(Now(), type, ok, texts));
}

bool CLogCore::Passes(int type, bool ok) {
    int mask = m_Mask.load(std::memory_order_relaxed);
    if (mask == S__NOT_INIT) {
        if (!RefreshLevel(true)) {
            int unread = S__NOT_INIT;  // another thread may have read a level meanwhile
            m_Mask.compare_exchange_strong(unread, S3_DEFAULT_KEY_ERR);
        }
        mask = m_Mask.load();
    }
    // A failure is let through by the bit just below its type's bit.
    const int bit = ok ? type : type / 2;
    return (mask & bit) != 0;
}

void CLogCore::GuardOverflow() {
    if (m_Buffer.Size() <= kMaxBufferedRecords)
        return;
    const size_t dropped = m_Buffer.ClearIfAbove(kMaxBufferedRecords);
    if (dropped == 0)
        return;  // another thread cleared it first
    std::u16string cause = u"ERROR_CODE=";
    AppendDecimal(static_cast<int64_t>(dropped), cause);
    const std::u16string name = u"Name=" + m_Name + u"log";
    Write(L2_VIM, false,
          {log_events::kLogThreadBufferOverSized, cause, u"DESC=Log Buffer Cleared Now", name, {}});
}

bool CLogCore::RefreshLevel(bool force) {
    std::lock_guard lock(m_LevelLock);
    const auto text = settings::ReadString(settings::kNorvelKey, settings::kLogLevel);
    if (!text || text->empty())
        return false;
    if (!force && m_HaveLevelText && *text == m_LevelText)
        return true;  // unchanged: a mask lowered for lack of disk space stays lowered
    m_LevelText = *text;
    m_HaveLevelText = true;
    const auto mask = LevelFromSetting(*text, m_Name);
    if (!mask)
        return false;
    m_Mask.store(*mask);
    return true;
}

void CLogCore::LowerLevel(int limit) {
    int mask = m_Mask.load();
    int lowered;
    do {
        lowered = mask == S__NOT_INIT ? limit : (mask & limit);
    } while (!m_Mask.compare_exchange_weak(mask, lowered));
}

std::u16string CLogCore::GetLogDir() {
    std::lock_guard lock(m_DirLock);
    if (m_LogDir.empty() || !platform::IsFolder(m_LogDir))
        m_LogDir = FindOrCreateLogDir(m_Options.logDir);
    return m_LogDir;
}

std::u16string CLogCore::GetHeader() {
    return LogHeader(m_Name, GetLogDir(), Now(), m_Mask.load());
}

std::vector<std::u16string> CLogCore::ListLogFiles() {
    const std::u16string dir = GetLogDir();
    return dir.empty() ? std::vector<std::u16string>() : FindLogFiles(dir, m_Name);
}

int64_t CLogCore::Now() const {
    if (m_Options.clock)
        return m_Options.clock();
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count();
}

uint64_t CLogCore::FreeDiskMB(std::u16string_view dir) const {
    return m_Options.freeDiskMB ? m_Options.freeDiskMB(dir) : tools::GetFreeDiskMB(dir);
}

void CLogCore::RunWriterCycleNow() {
    std::unique_lock lock(m_CycleLock);
    if (!m_WriterRunning)
        return;
    // A cycle already under way may have missed records written before this call.
    const uint64_t target = m_CyclesBegun + 1;
    m_Wake.Set();
    m_CycleEnded.wait_for(lock, kCycleWaitLimit,
                          [&] { return m_CyclesDone >= target || !m_WriterRunning; });
}

CLogCounts CLogCore::Counts() const {
    CLogCounts counts;
    counts.accepted = m_Buffer.Accepted();
    counts.written = m_Written.load(std::memory_order_relaxed);
    counts.cleared = m_Buffer.Cleared();
    return counts;
}

void CLogCore::WriterMain() {
    try {
        CLogWriter writer(m_Owner, *this);
        const uint32_t waitMs = WaitMilliseconds(m_Options.writerCycle);
        for (;;) {
            (void)m_Wake.Wait(waitMs);
            BeginCycle();
            if (m_Stopping.load()) {
                writer.DrainAll();
                EndCycle();
                break;
            }
            writer.RunCycle();
            EndCycle();
        }
    } catch (...) {
        // An unexpected failure ends the writer; records are refused from then on.
        m_Enabled.store(false);
    }
    WriterEnded();
}

void CLogCore::BeginCycle() {
    std::lock_guard lock(m_CycleLock);
    ++m_CyclesBegun;
}

void CLogCore::EndCycle() {
    std::lock_guard lock(m_CycleLock);
    ++m_CyclesDone;
    m_CycleEnded.notify_all();
}

void CLogCore::WriterEnded() {
    std::lock_guard lock(m_CycleLock);
    m_WriterRunning = false;
    m_CycleEnded.notify_all();
}
