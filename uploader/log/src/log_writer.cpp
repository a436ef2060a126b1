#include "log_writer.h"

#include <filesystem>
#include <system_error>

#include "log/log_events.h"
#include "log_core.h"
#include "log_files.h"
#include "platform/append_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "record_line.h"
#include "tools/date_text.h"

namespace {

constexpr uint64_t kMaxFileBytes = 2000000;
constexpr size_t kMaxKeptFiles = 5;
constexpr size_t kMaxRecordsPerCycle = 5000;
constexpr size_t kBatchRecords = 256;       // records moved out per hold of the buffer lock
constexpr size_t kOutputChunk = 64 * 1024;  // bytes collected before each write

// Free space in MB at or below which nothing is written (mask 0), or the mask is limited
// to 7 or to 15.
constexpr uint64_t kNoWriteMB = 5;
constexpr uint64_t kVeryLowMB = 10;
constexpr uint64_t kLowMB = 30;

bool FileIsFull(const std::u16string& path) {
    const auto size = platform::FileSize(path);
    return size && *size >= kMaxFileBytes;
}

}  // namespace

CLogWriter::CLogWriter(CLog& log, CLogCore& core) : m_Log(log), m_Core(core) {}

size_t CLogWriter::RunCycle() {
    m_Core.GuardOverflow();
    BasicLog& log = m_Log;
    const std::u16string dir = log.GetLogDir();
    if (dir.empty())
        return 0;  // records wait, up to the overflow guard
    (void)log.RefreshLevel(false);
    const std::vector<std::u16string> listed = log.ListLogFiles();
    const std::u16string today = tools::DateText(m_Core.Now());
    platform::AppendFile file;
    if (!OpenCurrentFile(file, today) && !OpenNextFile(file, dir, today, listed))
        return 0;
    return Drain(file, dir);
}

void CLogWriter::DrainAll() {
    while (m_Core.Buffer().Size() > 0 && RunCycle() > 0) {
    }
}

// The file of the last cycle, as long as it is today's and below the size limit. One that
// was deleted meanwhile is started afresh, header included, as a new file.
bool CLogWriter::OpenCurrentFile(platform::AppendFile& file, std::u16string_view today) {
    if (m_CurrentPath.empty() || DateOf(m_CurrentPath) != today ||
        !platform::FileSize(m_CurrentPath))
        return false;
    if (file.Open(m_CurrentPath) != 0)
        return false;
    if (file.Size() < kMaxFileBytes)
        return true;
    file.Close();
    return false;
}

bool CLogWriter::OpenNextFile(platform::AppendFile& file, const std::u16string& dir,
                              std::u16string_view today,
                              const std::vector<std::u16string>& listed) {
    // Numbers continue from the current file on the same day and restart at 00 on a new one.
    int number = DateOf(m_CurrentPath) == today ? SequenceOf(m_CurrentPath) : 0;
    std::u16string path;
    for (; number < kMaxFilesPerDay; ++number) {
        path = LogFilePath(dir, m_Core.Name(), today, number);
        if (!FileIsFull(path))
            break;
    }
    if (number >= kMaxFilesPerDay) {
        m_Core.Disable();  // 100 full files in one day: something logs far too much
        return false;
    }
    const bool existed = platform::FileSize(path).has_value();
    if (const int error = file.Open(path); error != 0) {
        std::u16string cause = u"ERROR_CODE=";
        AppendDecimal(error, cause);
        m_Log.Write(L4_INF, log_events::kOpenFile, false, cause, u"FilePath=" + path);
        return false;
    }
    m_CurrentPath = path;
    if (!existed)
        RemoveOldest(listed);
    m_Output.clear();
    AppendAnsi(static_cast<BasicLog&>(m_Log).GetHeader(), m_Output);
    file.Append(m_Output);
    return true;
}

// Keeps at most kMaxKeptFiles files with the one just created, deleting the oldest.
void CLogWriter::RemoveOldest(const std::vector<std::u16string>& listed) {
    size_t others = 0;
    for (const std::u16string& path : listed)
        others += path != m_CurrentPath;
    for (const std::u16string& path : listed) {
        if (others < kMaxKeptFiles)
            break;
        if (path == m_CurrentPath)
            continue;
        std::error_code error;
        std::filesystem::remove(platform::WideToUtf8(path), error);
        --others;
    }
}

size_t CLogWriter::Drain(platform::AppendFile& file, const std::u16string& dir) {
    const uint64_t freeMB = m_Core.FreeDiskMB(dir);
    if (freeMB <= kNoWriteMB) {
        m_Core.LowerLevel(S0_CLOSE_ALL);
        return 0;
    }
    const size_t written = WriteRecords(file);
    file.Close();
    if (freeMB <= kVeryLowMB)
        m_Core.LowerLevel(S2_VIM_ERR);
    else if (freeMB <= kLowMB)
        m_Core.LowerLevel(S2_VIM);
    return written;
}

size_t CLogWriter::WriteRecords(platform::AppendFile& file) {
    size_t written = 0;
    size_t pending = 0;  // records in m_Output
    m_Output.clear();
    while (written < kMaxRecordsPerCycle) {
        const size_t room = kMaxRecordsPerCycle - written;
        m_Core.Buffer().Take(room < kBatchRecords ? room : kBatchRecords, m_Batch);
        if (m_Batch.empty())
            break;
        for (const LogRecord& record : m_Batch) {
            m_Line.clear();
            AppendRecordLine(record, TimeText(record.time), m_Line);
            AppendAnsi(m_Line, m_Output);
        }
        written += m_Batch.size();
        pending += m_Batch.size();
        if (m_Output.size() >= kOutputChunk) {
            Flush(file, pending);
            pending = 0;
        }
    }
    m_Batch.clear();
    Flush(file, pending);
    return written;
}

void CLogWriter::Flush(platform::AppendFile& file, size_t records) {
    if (file.Append(m_Output))
        m_Core.CountWritten(records);
    m_Output.clear();
}

std::u16string_view CLogWriter::TimeText(int64_t time) {
    if (time != m_TimeTextSecond) {
        m_TimeText = tools::DateTimeText(time);
        m_TimeTextSecond = time;
    }
    return m_TimeText;
}
